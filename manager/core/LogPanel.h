// The text of the manager's log panel (`Memo1`): `AddToLog`, `AppendToLastLogLine`, `DebugLine`,
// and the size rule: a write that leaves the text longer than kLogPanelLimit characters clears it.
// The window and the headless mode show this text; other threads hand their lines to the UI thread.
// Thread-safety: none (user-interface thread only).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brivak::manager {

inline constexpr std::size_t kLogPanelLimit = 31000;

class LogPanel {
 public:
  // A new line.
  void AddToLog(std::string_view text);
  // Appended to the last line (a first line when the panel is empty).
  void AppendToLastLogLine(std::string_view text);
  // ":" + text as a new line (trace lines).
  void DebugLine(std::string_view text);
  // A double-click on the panel.
  void Clear();

  const std::vector<std::string>& Lines() const { return lines_; }
  // The lines joined by CR LF, as the panel holds them.
  std::string Text() const;
  // Characters of Text() (UTF-8 sequences count once).
  std::size_t Length() const { return length_; }
  // How many times the size rule emptied the panel.
  int Overflows() const { return overflows_; }

 private:
  void AfterWrite();

  std::vector<std::string> lines_;
  std::size_t length_ = 0;
  int overflows_ = 0;
};

}  // namespace brivak::manager
