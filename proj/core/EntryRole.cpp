#include "proj/core/EntryRole.h"

#include "proj/core/CommandLine.h"
#include "proj/core/InstanceProtocol.h"

namespace brivak::core {
namespace {

bool IsSlashR(const std::vector<std::string>& args) {
  return !args.empty() && args.front() == "/r";
}

bool HasHalt(const std::vector<std::string>& args) {
  return NormaliseParameters(args).find("-halt") != std::string::npos;
}

}  // namespace

bool IsStopRequest(const std::vector<std::string>& args) {
  return IsSlashR(args) || HasHalt(args);
}

EarlyRole DecideRole(const std::vector<std::string>& args, const WriteLineFn& WL,
                     const std::function<bool()>& previewWindowExists,
                     const std::function<bool()>& runPreview) {
  if (IsSlashR(args)) {
    WL("dpr: /r in paramstr");
    return EarlyRole::StopRequester;
  }
  if (HasHalt(args)) {
    WL("received halt message");
    return EarlyRole::StopRequester;
  }
  if (previewWindowExists && previewWindowExists()) {
    WL("dpr: preview drawing already");
    return EarlyRole::CheckSingleInstance;
  }
  WL("dpr: preview not drawing");
  if (JoinParameters(args).find("/p") != std::string::npos && runPreview && runPreview()) {
    return EarlyRole::PreviewPainter;
  }
  return EarlyRole::CheckSingleInstance;
}

EntryResult RunEntry(const std::vector<std::string>& args, EntryPorts& ports) {
  ports.WL("");
  ports.WL("dpr: start! : " + JoinParameters(args));

  switch (DecideRole(args, ports.WL, ports.previewWindowExists, ports.runPreview)) {
    case EarlyRole::StopRequester:
      // Finding the instance and sending to it are one call here: "not found" is known afterwards.
      if (ports.channel.Send(kStopMessage, ports.sendTimeout) == platform::SendResult::NoInstance) {
        ports.WL("FindWindow resulted in 0!");
      }
      ports.WL("Message posted, exiting this instance.");
      return {EntryRole::StopRequester, 0, false};
    case EarlyRole::PreviewPainter:
      return {EntryRole::PreviewPainter, 0, false};
    case EarlyRole::CheckSingleInstance:
      break;
  }

  if (!ports.lock.TryAcquire()) {
    ports.channel.Send(kGotoFrontMessage, ports.sendTimeout);
    ports.WL("dpr: AppIsRunning = true, so exit");
    return {EntryRole::Forwarder, 0, false};
  }
  if (ports.createInstance) ports.createInstance();
  ports.WL("Starting Brivak");
  return {EntryRole::Instance, 0, true};
}

}  // namespace brivak::core
