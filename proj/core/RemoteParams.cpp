#include "proj/core/RemoteParams.h"

#include <algorithm>
#include <cctype>

#include "common/Stools.h"

namespace brivak::core {

namespace {

char LowerAscii(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// Calls `piece(text)` for every non-empty "&"-separated piece of `encoded`.
template <typename F>
void ForEachPiece(std::string_view encoded, F piece) {
  std::size_t start = 0;
  while (start <= encoded.size()) {
    const std::size_t end = std::min(encoded.find('&', start), encoded.size());
    if (end > start) piece(encoded.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out.push_back(' ');
    } else if (c == '%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 && HexDigitValue(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2])));
      i += 2;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string_view RequestPath(std::string_view target) {
  return target.substr(0, std::min(target.find('?'), target.size()));
}

std::string_view RequestQuery(std::string_view target) {
  const std::size_t mark = target.find('?');
  return mark == std::string_view::npos ? std::string_view{} : target.substr(mark + 1);
}

bool IsFormContentType(std::string_view contentType) {
  const std::string_view media =
      Trim(contentType.substr(0, std::min(contentType.find(';'), contentType.size())));
  return EqualsIgnoreCase(media, "application/x-www-form-urlencoded");
}

std::string MaskPasswordInTarget(std::string_view target) {
  const std::size_t mark = target.find('?');
  if (mark == std::string_view::npos) return std::string(target);
  std::string out(target.substr(0, mark + 1));
  const std::string_view query = target.substr(mark + 1);
  std::size_t start = 0;
  while (true) {
    const std::size_t end = std::min(query.find('&', start), query.size());
    const std::string_view piece = query.substr(start, end - start);
    const std::size_t equals = piece.find('=');
    if (equals != std::string_view::npos &&
        EqualsIgnoreCase(PercentDecode(piece.substr(0, equals)), "s_password")) {
      out.append(piece.substr(0, equals + 1));
      out.append("*******");
    } else {
      out.append(piece);
    }
    if (end >= query.size()) break;
    out.push_back('&');
    start = end + 1;
  }
  return out;
}

RequestParams RequestParams::FromRequest(const HttpRequest& request) {
  RequestParams params;
  params.AddFields(RequestQuery(request.target));
  if (request.method == "POST" && IsFormContentType(request.contentType)) {
    params.AddFields(request.body);
  }
  return params;
}

void RequestParams::AddFields(std::string_view encoded) {
  ForEachPiece(encoded, [this](std::string_view piece) {
    const std::size_t equals = piece.find('=');
    if (equals == std::string_view::npos) {
      fields_.emplace_back(PercentDecode(piece), std::string());
    } else {
      fields_.emplace_back(PercentDecode(piece.substr(0, equals)), PercentDecode(piece.substr(equals + 1)));
    }
  });
}

std::string RequestParams::Get(std::string_view name) const {
  for (const auto& [key, value] : fields_) {
    if (EqualsIgnoreCase(key, name)) return value;
  }
  return {};
}

bool RequestParams::Has(std::string_view name) const {
  return std::any_of(fields_.begin(), fields_.end(),
                     [name](const auto& field) { return EqualsIgnoreCase(field.first, name); });
}

}  // namespace brivak::core
