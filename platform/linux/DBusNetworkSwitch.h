// The network switch through NetworkManager on the system bus (org.freedesktop.NetworkManager's
// Enable), asynchronous over QtDBus. Lives on the thread that creates it (the UI thread).
#pragma once

#include <QObject>

#include "platform/NetworkSwitch.h"

namespace brivak::platform {

class DBusNetworkSwitch final : public QObject, public NetworkSwitch {
  Q_OBJECT

 public:
  static constexpr int kAnswerWaitMs = 5000;
  explicit DBusNetworkSwitch(QObject* parent = nullptr);
  void Enable(bool on, Done done) override;
};

}  // namespace brivak::platform
