#include "proj/core/Diagnostics.h"

#include <utility>

namespace brivak::core {

Diagnostics::Diagnostics(const platform::Clock& clock, platform::FileSystem& files,
                         const std::string& appData)
    : dayLog_(clock, files, (appData.empty() || appData.back() == '/' ? appData : appData + "/") + "Logs/"),
      console_(clock, dayLog_, appData) {}

void Diagnostics::SetEcho(std::ostream* echo) {
  echo_ = echo;
  InstallObserver();
}

void Diagnostics::SetObserver(ConsoleObserver observer) {
  observer_ = std::move(observer);
  InstallObserver();
}

// The console calls its observer under its own lock, so the copies captured here are the only
// state the callback reads, and echoed lines keep the console's order.
void Diagnostics::InstallObserver() {
  if (echo_ == nullptr && !observer_) {
    console_.SetObserver({});
    return;
  }
  console_.SetObserver([echo = echo_, observer = observer_](const ConsoleEvent& event) {
    if (echo != nullptr && event.target == ConsoleTarget::kTray && event.change == ConsoleChange::kNewLine) {
      *echo << event.text << '\n' << std::flush;
    }
    if (observer) observer(event);
  });
}

}  // namespace brivak::core
