// Value parsers of SLF layout files: integers, booleans, colours, fonts and text alignments. Pure
// functions, safe on any thread. Each returns std::nullopt for a text it cannot read, so the
// loader can report the faulty section instead of guessing a value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/Stools.h"

namespace brivak::core {

// A colour in the 0x00BBGGRR layout of the stored texts ("$00303030" is dark grey).
using SlfColor = std::uint32_t;

inline constexpr SlfColor kSlfBlack = 0x000000;

// A decimal integer with an optional sign, or "$" followed by hexadecimal digits; surrounding
// blanks are ignored. Nullopt when the text is anything else or outside the int range.
std::optional<int> ParseSlfInteger(std::string_view text);

// An integer read as a flag: 0 false, any other number true.
std::optional<bool> ParseSlfBool(std::string_view text);

// A colour name of the toolkit's table ("clBlack", "clLime", "clTeal", ...; letter case ignored),
// "$" with up to eight hexadecimal digits in the order 00, blue, green, red, or a decimal number.
// System colours ("clBtnFace", "clWindow", ...) resolve to their usual desktop values, also when
// written as numbers ($80000000 + index). Nullopt for unknown names and for numbers whose top byte
// is neither 00 nor a known system colour.
std::optional<SlfColor> ParseSlfColor(std::string_view text);

// The colour as "$00BBGGRR" (eight upper-case hexadecimal digits).
std::string SlfColorText(SlfColor color);

// A font text (",name,size,styles,color,charset,") whose size and character set are integers and
// whose colour is readable by ParseSlfColor. Nullopt otherwise, or when the size is not positive.
struct SlfFont {
  FontSpec face;
  SlfColor color = 0;
  friend bool operator==(const SlfFont&, const SlfFont&) = default;
};
std::optional<SlfFont> ParseSlfFont(std::string_view text);

// Horizontal text alignment of labels: "taLeftJustify"/"left", "taCenter"/"center",
// "taRightJustify"/"right" (letter case ignored).
enum class SlfAlignment { Left, Center, Right };
std::optional<SlfAlignment> ParseSlfAlignment(std::string_view text);

}  // namespace brivak::core
