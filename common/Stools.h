// Small text, path and font-text functions shared by the locker and the manager. All are pure:
// no state, no system calls, safe to call from any thread. Texts are byte strings; case rules are
// ASCII only, so UTF-8 sequences pass through unchanged.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brivak {

// Every occurrence of `search` in `text` replaced by `replacement`, scanning left to right without
// overlap. Case-sensitive. An empty `search` leaves the text unchanged.
std::string ReplaceIt(std::string_view search, std::string_view replacement, std::string_view text);
// The same, ignoring ASCII case.
std::string ReplaceIt4(std::string_view search, std::string_view replacement, std::string_view text);

// The text after the first `startMark`, cut before the first `endMark` in that remainder (kept whole
// when none follows). An empty `startMark` counts as found at the start; an empty `endMark` never
// matches. When `startMark` does not occur, the text comes back unchanged.
std::string GetStuffBetween(std::string_view text, std::string_view startMark, std::string_view endMark);

// The pieces between delimiters, empty pieces kept, the piece after the last delimiter included;
// so "" gives one empty piece and "a," gives "a" and "". An empty delimiter gives the whole text.
std::vector<std::string> SplitDelimitedText(std::string_view text, std::string_view delimiter);

// Decimal with "," between groups of three digits above 999 ("1,000"); negative values get a "-".
// The separator is fixed, not taken from a locale: peers parse these texts.
std::string FormatInt(long long value);

// "%d sec", "%d min %d sec", "%d hrs %d min %d sec" or "%d days %d hrs %d min %d sec", depending on
// the largest non-zero unit. Negative input counts as 0.
std::string SecondsToTimeStr(long long seconds);

// "true" or "false".
std::string BoolToStr(bool value);

// The address automaton of the locker's messages: a local part of atoms or quoted strings, "@", and
// a domain of at least two dot-separated parts, each starting with a letter, made of letters, digits
// and inner hyphens. Bytes count as codes 0-255, so UTF-8 bytes above 127 are atom characters.
bool ValidEmail(std::string_view text);

// "*", "-", ".", "@", "_" and ASCII letters are kept, a space becomes "+", every other byte (digits
// included) becomes "%" and two upper-case hexadecimal digits.
std::string HTTPEncode(std::string_view text);

// `text` safe to stand in HTML element content and in double- or single-quoted attribute values:
// "&", "<", ">", '"' and "'" become character references; every other byte is kept.
std::string HtmlEscape(std::string_view text);

// A local path as a file URL: backslashes become "/", then "file://" before an absolute path
// ("/home/x" -> "file:///home/x") and "file:///" before any other ("C:\x" -> "file:///C:/x").
std::string LocalPathToURL(std::string_view path);

// The file name without its folder ("/" or "\" separated) and without its last four characters
// (a three-letter extension and its dot). Empty when the name has four characters or fewer.
std::string NoPathOrExt(std::string_view path);

// `path` with every occurrence of `appPath` removed (case-sensitive). An empty `appPath` changes nothing.
std::string FactorOutAppPath(std::string_view path, std::string_view appPath);
// `appData` + `path`.
std::string InsertAppData(std::string_view path, std::string_view appData);

// Removes everything up to and including the first comma, `n` times, and returns what follows up to
// the next comma (or the rest of the text when no comma follows). Empty when the text has fewer
// than `n` commas.
std::string GetCommaText(std::string_view text, int n);

// A whole decimal integer with an optional leading "+" or "-": no blanks, no other characters, within
// the int range. StrToInt throws std::invalid_argument otherwise; StrToIntDef returns `def`.
int StrToInt(std::string_view text);
int StrToIntDef(std::string_view text, int def);

// A font as the settings store it. Defaults are those of the text ",Tahoma,8,,clLime,1,".
struct FontSpec {
  std::string name = "Tahoma";
  int size = 8;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeout = false;
  std::string color = "clLime";  // a colour name such as "clLime", "$00BBGGRR" or decimal
  int charset = 1;
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// The value of one hexadecimal digit (either case), or -1 for any other character.
int HexDigitValue(char c);
// `folder` with a "/" at its end (an empty text stays empty).
std::string WithTrailingSlash(std::string folder);

// The font text: five fields each preceded by a comma, and a comma at the end:
// ",name,size,styles,color,charset,", styles being the letters "b", "i", "u", "s" in that order.
std::string GetFontID(const FontSpec& font);
// Reads a font text into `font`; each of "b", "i", "u", "s" anywhere in the style field sets its
// style, the others are cleared. Throws std::invalid_argument when the size or character set is not
// an integer; `font` is then left unchanged.
void SetFontFromID(FontSpec& font, std::string_view text);

}  // namespace brivak
