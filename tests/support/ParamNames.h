// Readable names for value-parameterised tests: "<index>_<text of the case>", where the text keeps
// letters and digits and turns everything else into "_" (gtest allows no other characters). The
// index keeps names unique when two cases read alike.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>

namespace brivak::test {

inline std::string CaseName(std::size_t index, std::string_view text) {
  std::string name = std::to_string(index);
  if (!text.empty()) name += '_';
  for (const char c : text.substr(0, 48)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

// A name generator for INSTANTIATE_TEST_SUITE_P: `text` gives the readable part of a case.
template <class Param, class Text>
auto NamedBy(Text text) {
  return
      [text](const ::testing::TestParamInfo<Param>& info) { return CaseName(info.index, text(info.param)); };
}

}  // namespace brivak::test
