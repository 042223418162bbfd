#include "proj/core/SlfValues.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstdio>
#include <stdexcept>

namespace brivak::core {
namespace {

struct NamedColor {
  std::string_view name;
  SlfColor value;
};

// The toolkit's colour names, values in 0x00BBGGRR.
constexpr std::array<NamedColor, 22> kNamedColors{{
    {"clBlack", 0x000000},  {"clMaroon", 0x000080},  {"clGreen", 0x008000},      {"clOlive", 0x008080},
    {"clNavy", 0x800000},   {"clPurple", 0x800080},  {"clTeal", 0x808000},       {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0}, {"clRed", 0x0000FF},     {"clLime", 0x00FF00},       {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},   {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00},       {"clWhite", 0xFFFFFF},
    {"clLtGray", 0xC0C0C0}, {"clDkGray", 0x808080},  {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},  {"clMedGray", 0xA4A0A0},
}};

// System colours by index ($80000000 + index), with the usual desktop values.
constexpr std::array<NamedColor, 25> kSystemColors{{
    {"clScrollBar", 0xC8C8C8},     {"clBackground", 0x000000},
    {"clActiveCaption", 0xD1B499}, {"clInactiveCaption", 0xDBCDBF},
    {"clMenu", 0xF0F0F0},          {"clWindow", 0xFFFFFF},
    {"clWindowFrame", 0x646464},   {"clMenuText", 0x000000},
    {"clWindowText", 0x000000},    {"clCaptionText", 0x000000},
    {"clActiveBorder", 0xB4B4B4},  {"clInactiveBorder", 0xFCF7F4},
    {"clAppWorkSpace", 0xABABAB},  {"clHighlight", 0xFF9933},
    {"clHighlightText", 0xFFFFFF}, {"clBtnFace", 0xF0F0F0},
    {"clBtnShadow", 0xA0A0A0},     {"clGrayText", 0x6D6D6D},
    {"clBtnText", 0x000000},       {"clInactiveCaptionText", 0x544E43},
    {"clBtnHighlight", 0xFFFFFF},  {"cl3DDkShadow", 0x696969},
    {"cl3DLight", 0xE3E3E3},       {"clInfoText", 0x000000},
    {"clInfoBk", 0xE1FFFF},
}};

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Digits only (no sign), in the given base, into a 64-bit value; nullopt when empty or malformed.
std::optional<long long> ParseDigits(std::string_view text, int base) {
  if (text.empty() || text.size() > 16) return std::nullopt;
  unsigned long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value > static_cast<unsigned long long>(LLONG_MAX)) return std::nullopt;
  return static_cast<long long>(value);
}

// Sign, then decimal digits or "$" and hexadecimal digits.
std::optional<long long> ParseWide(std::string_view text) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::optional<long long> value;
  if (!text.empty() && text.front() == '$') {
    value = ParseDigits(text.substr(1), 16);
  } else {
    value = ParseDigits(text, 10);
  }
  if (!value) return std::nullopt;
  return negative ? -*value : *value;
}

std::optional<SlfColor> ColorFromNumber(long long number) {
  // Negative decimals are the signed form of system colours ($80000005 is -2147483643).
  if (number < 0) number += 0x100000000LL;
  if (number < 0 || number > 0xFFFFFFFFLL) return std::nullopt;
  const auto value = static_cast<std::uint32_t>(number);
  if ((value & 0xFF000000u) == 0) return value;
  if ((value & 0xFF000000u) == 0x80000000u) {
    const std::uint32_t index = value & 0x00FFFFFFu;
    if (index < kSystemColors.size()) return kSystemColors[index].value;
  }
  return std::nullopt;
}

}  // namespace

std::optional<int> ParseSlfInteger(std::string_view text) {
  const std::optional<long long> value = ParseWide(text);
  if (!value || *value < INT_MIN || *value > INT_MAX) {
    // "$FFFFFFFF" reads as -1, as a 32-bit hexadecimal literal does.
    const std::string_view t = Trim(text);
    if (value && !t.empty() && t.front() == '$' && *value <= 0xFFFFFFFFLL) {
      return static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(*value)));
    }
    return std::nullopt;
  }
  return static_cast<int>(*value);
}

std::optional<bool> ParseSlfBool(std::string_view text) {
  const std::optional<int> value = ParseSlfInteger(text);
  if (!value) return std::nullopt;
  return *value != 0;
}

std::optional<SlfColor> ParseSlfColor(std::string_view text) {
  text = Trim(text);
  for (const NamedColor& c : kNamedColors) {
    if (EqualNoCase(c.name, text)) return c.value;
  }
  for (const NamedColor& c : kSystemColors) {
    if (EqualNoCase(c.name, text)) return c.value;
  }
  const std::optional<long long> number = ParseWide(text);
  if (!number) return std::nullopt;
  return ColorFromNumber(*number);
}

std::string SlfColorText(SlfColor color) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "$%08X", static_cast<unsigned>(color));
  return buffer;
}

std::optional<SlfFont> ParseSlfFont(std::string_view text) {
  SlfFont font;
  try {
    SetFontFromID(font.face, text);
  } catch (const std::invalid_argument&) {
    return std::nullopt;
  } catch (const std::out_of_range&) {
    return std::nullopt;
  }
  if (font.face.size <= 0 || font.face.name.empty()) return std::nullopt;
  const std::optional<SlfColor> color = ParseSlfColor(font.face.color);
  if (!color) return std::nullopt;
  font.color = *color;
  return font;
}

std::optional<SlfAlignment> ParseSlfAlignment(std::string_view text) {
  text = Trim(text);
  if (EqualNoCase(text, "taLeftJustify") || EqualNoCase(text, "left")) return SlfAlignment::Left;
  if (EqualNoCase(text, "taCenter") || EqualNoCase(text, "center")) return SlfAlignment::Center;
  if (EqualNoCase(text, "taRightJustify") || EqualNoCase(text, "right")) return SlfAlignment::Right;
  return std::nullopt;
}

}  // namespace brivak::core
