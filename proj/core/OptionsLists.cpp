#include "proj/core/OptionsLists.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "common/IniFile.h"
#include "common/Stools.h"

namespace brivak::core {

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool Contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::string LayoutFolder(const std::string& appData, bool html) {
  return appData + (html ? "layouts/html/" : "layouts/slf/");
}

std::string HtmlTitle(std::string_view page) {
  const std::string lower = Lower(page);
  const auto open = lower.find("<title>");
  if (open == std::string::npos) return GetStuffBetween(page, "<title>", "</title>");
  const auto start = open + 7;
  const auto close = lower.find("</title>", start);
  return std::string(page.substr(start, close == std::string::npos ? std::string_view::npos : close - start));
}

std::vector<LayoutRow> ListLayouts(const std::string& folder, bool html) {
  std::vector<LayoutRow> rows;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string name = it->path().filename().string();
    const std::string upper = Upper(name);
    const std::string path = it->path().string();
    LayoutRow row{"", name, path};
    if (html) {
      if (!Contains(upper, ".HTM") && !Contains(upper, ".PHP") && !Contains(upper, ".MHT")) continue;
      if (Contains(name, "~")) continue;  // the lock's own substituted copies
      row.title = HtmlTitle(ReadText(path));
    } else {
      if (!Contains(upper, ".INI") && !Contains(upper, ".SLF")) continue;
      row.title = IniDocument::Parse(ReadText(path)).ReadString("Layout", "Title", "Untitled");
    }
    rows.push_back(std::move(row));
  }
  std::sort(rows.begin(), rows.end(), [](const LayoutRow& a, const LayoutRow& b) { return a.path < b.path; });
  return rows;
}

std::optional<std::size_t> LayoutRowToSelect(const std::vector<LayoutRow>& rows, const std::string& layoutFile) {
  if (rows.empty()) return std::nullopt;
  const std::string wanted = Lower(layoutFile);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (Lower(rows[i].path) == wanted) return i;
  }
  return 0;
}

std::string RefuseLayoutName(std::string_view name) {
  if (name.empty()) return "Enter a file name.";
  if (name.find('/') != std::string_view::npos || name.find('\\') != std::string_view::npos ||
      name.find("..") != std::string_view::npos) {
    return "A layout name may not hold \"/\", \"\\\" or \"..\": the copy stays in the layout folder.";
  }
  return {};
}

std::vector<SaverRow> ReadScreenSavers(const std::string& file) {
  std::vector<SaverRow> rows;
  const IniDocument doc = IniDocument::Parse(ReadText(file));
  for (const std::string& key : doc.KeyNames("ScreenSavers")) {
    rows.push_back({key, doc.ReadString("ScreenSavers", key, "??")});
  }
  return rows;
}

void RemoveScreenSaver(platform::FileSystem& files, const std::string& file, const std::string& name) {
  IniFile(files, file).Modify([&](IniDocument& doc) { doc.EraseKey("ScreenSavers", name); });
}

std::string PresetName(const std::string& line) {
  const auto eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string PresetText(const std::vector<std::string>& presets, const std::string& name) {
  for (const std::string& line : presets) {
    const auto eq = line.find('=');
    if (eq != std::string::npos && line.substr(0, eq) == name) return line.substr(eq + 1);
  }
  return {};
}

void SetPresetText(std::vector<std::string>& presets, const std::string& name, const std::string& text) {
  for (auto it = presets.begin(); it != presets.end(); ++it) {
    const auto eq = it->find('=');
    if (eq == std::string::npos || it->substr(0, eq) != name) continue;
    if (text.empty()) {
      presets.erase(it);
    } else {
      *it = name + "=" + text;
    }
    return;
  }
  if (!text.empty()) presets.push_back(name + "=" + text);
}

std::string AddPreset(std::vector<std::string>& presets, std::string name) {
  if (name.empty()) name = "myPreset" + std::to_string(presets.size());
  presets.push_back(name + "=enter message here");
  return name;
}

bool PresetTextAcceptable(std::string_view text) { return text.find_first_of("\r\n") == std::string_view::npos; }

}  // namespace brivak::core
