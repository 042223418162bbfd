// libFuzzer target for the INI reader: any bytes are read as a document; the document written out
// and read again is the same document (so a value can never add a section or key when a stored
// file is rewritten), every name it lists is found again, and the multi-line escaping reads back
// exactly what it wrote.
#include <string>

#include "common/IniFile.h"
#include "FuzzSupport.h"

using namespace brivak;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::AsText(data, size);
  const IniDocument doc = IniDocument::Parse(text);
  const std::string once = doc.Serialize();
  const IniDocument again = IniDocument::Parse(once);
  Check(again.Serialize() == once);
  for (const std::string& section : doc.SectionNames()) {
    Check(doc.SectionExists(section));
    for (const std::string& key : doc.KeyNames(section)) {
      Check(doc.Read(section, key).has_value());
      Check(again.Read(section, key) == doc.Read(section, key));
      (void)doc.ReadInteger(section, key, 7);
    }
  }
  // A value written through the document reads back as written, after escaping.
  IniDocument written;
  written.Write("S", "k", EscapeMultiline(text));
  const IniDocument reread = IniDocument::Parse(written.Serialize());
  const std::string stored = reread.ReadString("S", "k", "");
  // Writing trims blanks at both ends of a value, so compare the trimmed text.
  std::string_view trimmed = text;
  while (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.front() == '\t')) trimmed.remove_prefix(1);
  while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) trimmed.remove_suffix(1);
  Check(UnescapeMultiline(stored) == UnescapeMultiline(EscapeMultiline(trimmed)));
  Check(UnescapeMultiline(EscapeMultiline(text)) == text);
  return 0;
}
