#include "common/Hash.h"

#include <openssl/evp.h>

#include <array>
#include <cstdint>
#include <stdexcept>

namespace brivak {
namespace {

// Code points of the Windows-1252 bytes 0x80..0x9F; the five bytes Windows leaves undefined map
// from the C1 control of the same value.
constexpr std::array<char32_t, 32> kHighBlock = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char ToCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (size_t i = 0; i < kHighBlock.size(); ++i) {
    if (kHighBlock[i] == cp) return static_cast<char>(0x80 + i);
  }
  return '?';
}

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

std::string Utf8ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++i;
      continue;
    }
    size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      cp = lead & 0x1F;
      minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      cp = lead & 0x0F;
      minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      cp = lead & 0x07;
      minimum = 0x10000;
    } else {
      out += '?';  // stray continuation byte or a lead byte that never starts a valid sequence
      ++i;
      continue;
    }
    // Take continuation bytes while they keep the sequence valid; a broken sequence is one '?',
    // and the byte that broke it starts the next character.
    size_t taken = 1;
    bool valid = true;
    while (taken < length) {
      if (i + taken >= utf8.size() || !IsContinuation(static_cast<unsigned char>(utf8[i + taken]))) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + taken]) & 0x3F);
      ++taken;
      // Overlong forms, surrogates and values above U+10FFFF are known invalid after two bytes.
      if (taken == 2 && length > 2) {
        const char32_t partial = cp << (6 * (length - 2));
        if (partial < minimum || (partial >= 0xD800 && partial <= 0xDFFF) || partial > 0x10FFFF) {
          valid = false;
          --taken;  // the offending continuation byte becomes a character of its own ('?')
          break;
        }
      }
    }
    out += valid ? ToCp1252(cp) : '?';
    i += taken;
  }
  return out;
}

std::string Hash(std::string_view password) {
  const std::string bytes = Utf8ToCp1252(password);
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int size = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &size, EVP_sha1(), nullptr) != 1) {
    throw std::runtime_error("SHA-1 is not available");
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(size * 2);
  for (unsigned int i = 0; i < size; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0x0F];
  }
  return hex;
}

}  // namespace brivak
