#include "proj/ui/QtLockScreenFactory.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>

#include "proj/ui/TfrmMain.h"

namespace brivak::ui {

// One datagram per event, sent at once from the main thread (UDP to a dotted address does not
// block); a failure is a debug line, never an error for the prompt.
class PromptServices::UdpPort final : public core::DatagramPort {
 public:
  explicit UdpPort(LogSink& log) : log_(log) {}
  void SendDatagram(const std::string& masterIP, const std::string& bytes) override {
    boost::system::error_code ec;
    const auto address = boost::asio::ip::make_address_v4(masterIP, ec);
    if (!ec) {
      boost::asio::ip::udp::socket socket(io_);
      socket.open(boost::asio::ip::udp::v4(), ec);
      if (!ec) socket.send_to(boost::asio::buffer(bytes), {address, app::RemotePorts{}.events}, 0, ec);
    }
    if (ec) log_.Debug("event datagram to " + masterIP + " not sent: " + ec.message());
  }

 private:
  LogSink& log_;
  boost::asio::io_context io_;
};

PromptServices::PromptServices(app::TrayController& tray) : tray_(tray) {}
PromptServices::~PromptServices() = default;

PasswordContext PromptServices::Context() {
  if (!users_) users_ = std::make_unique<UserList>(tray_.Values().appData + "userlist.dat");
  if (!events_) {
    port_ = std::make_unique<UdpPort>(tray_.Log());
    events_ = std::make_unique<core::EventReporter>(tray_.Log(), *port_);
  }
  app::TrayController* tray = &tray_;
  // No storePasswordHash: the dialogs store the hash and save the settings themselves.
  return PasswordContext{tray_.Settings(),
                         *users_,
                         tray_.Log(),
                         *events_,
                         tray_.Values().INI_MODE,
                         [tray] { return tray->Clock().MonotonicMs(); },
                         {},
                         [tray] { tray->ExitBrivak(); }};
}

PromptServices& QtLockScreenFactory::Prompts(app::TrayController& tray) {
  if (!prompts_) prompts_ = std::make_unique<PromptServices>(tray);
  return *prompts_;
}

std::unique_ptr<core::LockShell> QtLockScreenFactory::Create(app::TrayController& tray) {
  LockWindowPorts ports{tray.Log(), tray.Clock(), guard_, Prompts(tray).Context(), tray.Values().appData, {}, {}};
  return std::make_unique<TfrmMain>(std::move(ports));
}

}  // namespace brivak::ui
