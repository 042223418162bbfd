// The lists the options dialog manages: layout files of one kind (with their titles), the screen
// savers of "screensavers.dat" and the away-message presets ("name=text" lines). Pure decisions and
// formats; the dialog shows them and acts on the files. Main thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace brivak::core {

// One row of the layout list. `path` is the file's own full path (also for files in subfolders).
struct LayoutRow {
  std::string title;
  std::string fileName;
  std::string path;
  friend bool operator==(const LayoutRow&, const LayoutRow&) = default;
};

// The layout folder of a kind: appData + "layouts/slf/" (Normal) or "layouts/html/" (HTML).
std::string LayoutFolder(const std::string& appData, bool html);
// Every layout file of the kind in `folder` and its subfolders, sorted by path. Normal: names whose
// upper-cased form holds ".INI" or ".SLF", titled by [Layout] Title ("Untitled" when absent). HTML:
// names holding ".HTM", ".PHP" or ".MHT" and no "~", titled by the text of their <title> element
// (the tag found without regard to case).
std::vector<LayoutRow> ListLayouts(const std::string& folder, bool html);
// The text between "<title>" and "</title>", the tags matched without regard to case; when there
// is no "<title>", the whole text (as GetStuffBetween gives it).
std::string HtmlTitle(std::string_view page);
// The row to select: the first whose path equals `layoutFile` without regard to case, else 0;
// nullopt for an empty list.
std::optional<std::size_t> LayoutRowToSelect(const std::vector<LayoutRow>& rows, const std::string& layoutFile);
// Why a "Copy to New" name is refused (empty when it is acceptable): empty names, folder
// separators and ".." would write outside the layout folder.
std::string RefuseLayoutName(std::string_view name);

// One screen saver of screensavers.dat: [ScreenSavers] display name = full path.
struct SaverRow {
  std::string name;
  std::string path;
  friend bool operator==(const SaverRow&, const SaverRow&) = default;
};
// The rows of `file` in file order ("??" for a value that cannot be read); empty when missing.
std::vector<SaverRow> ReadScreenSavers(const std::string& file);
// Removes the key `name` from section "ScreenSavers" of `file`. Throws std::runtime_error when the
// file cannot be written.
void RemoveScreenSaver(platform::FileSystem& files, const std::string& file, const std::string& name);

// The presets, one "name=text" line each (a line without "=" has an empty name).
std::string PresetName(const std::string& line);
std::string PresetText(const std::vector<std::string>& presets, const std::string& name);
// The text of preset `name`: the first line of that name gets `text`; an empty text removes that
// line; with no line of that name, name + "=" + text is appended.
void SetPresetText(std::vector<std::string>& presets, const std::string& name, const std::string& text);
// "&Add Preset": an empty name becomes "myPreset" + the number of presets; the line is
// name + "=enter message here". Returns the name used.
std::string AddPreset(std::vector<std::string>& presets, std::string name);
// A preset text holding a line break would split its line in the stored list: refused.
bool PresetTextAcceptable(std::string_view text);

}  // namespace brivak::core
