#include "manager/core/WebHtml.h"

#include "common/Stools.h"

namespace brivak::manager {

std::string DecodeQueryValue(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexDigitValue(text[i + 1]);
      const int low = HexDigitValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string FillTemplate(std::string_view templateText,
                         const std::vector<std::pair<std::string, std::string>>& values) {
  std::string out;
  out.reserve(templateText.size());
  std::size_t i = 0;
  while (i < templateText.size()) {
    const std::string_view rest = templateText.substr(i);
    const std::pair<std::string, std::string>* hit = nullptr;
    for (const auto& value : values) {
      if (!value.first.empty() && rest.starts_with(value.first)) {
        hit = &value;
        break;
      }
    }
    if (hit != nullptr) {
      out += hit->second;
      i += hit->first.size();
    } else {
      out += templateText[i];
      ++i;
    }
  }
  return out;
}

}  // namespace brivak::manager
