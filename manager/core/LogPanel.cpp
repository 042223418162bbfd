#include "manager/core/LogPanel.h"

namespace brivak::manager {

namespace {

std::size_t Characters(std::string_view text) {
  std::size_t n = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  }
  return n;
}

constexpr std::size_t kLineBreak = 2;  // CR LF

}  // namespace

void LogPanel::AddToLog(std::string_view text) {
  if (!lines_.empty()) length_ += kLineBreak;
  lines_.emplace_back(text);
  length_ += Characters(text);
  AfterWrite();
}

void LogPanel::AppendToLastLogLine(std::string_view text) {
  if (lines_.empty()) lines_.emplace_back();
  lines_.back().append(text);
  length_ += Characters(text);
  AfterWrite();
}

void LogPanel::DebugLine(std::string_view text) {
  AddToLog(":" + std::string(text));
}

void LogPanel::Clear() {
  lines_.clear();
  length_ = 0;
}

std::string LogPanel::Text() const {
  std::string out;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) out += "\r\n";
    out += lines_[i];
  }
  return out;
}

void LogPanel::AfterWrite() {
  if (length_ > kLogPanelLimit) {
    Clear();
    ++overflows_;
  }
}

}  // namespace brivak::manager
