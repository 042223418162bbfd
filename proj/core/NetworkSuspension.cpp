#include "proj/core/NetworkSuspension.h"

namespace brivak::core {

NetworkSuspension::NetworkSuspension(platform::NetworkSwitch& network, LogSink& log,
                                     std::function<void(bool)> persist)
    : network_(network), log_(log), persist_(std::move(persist)) {}

void NetworkSuspension::ToggleNetwork(bool restore) {
  LogSink* log = &log_;
  if (restore) {
    log_.Mem("Restoring Network Access...");
    turnedOff_ = false;
    network_.Enable(true, [log, persist = persist_](bool accepted, const std::string& error) {
      if (accepted) {
        log->WriteLog("Network access resumed");
        if (persist) persist(false);
        return;
      }
      log->Mem("Network access could not be resumed: " + error);
      log->WriteLog("Network access could not be resumed: " + error);
    });
    return;
  }
  log_.Mem("Disabling Network Access...");
  turnedOff_ = true;
  if (persist_) persist_(true);  // before the request: a crash after it still finds the record
  network_.Enable(false, [log](bool accepted, const std::string& error) {
    if (accepted) {
      log->WriteLog("Network access suspended");
      return;
    }
    log->Mem("Network access could not be suspended: " + error);
    log->WriteLog("Network access could not be suspended: " + error);
  });
}

}  // namespace brivak::core
