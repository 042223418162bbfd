#include "platform/linux/DBusNetworkSwitch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace brivak::platform {

DBusNetworkSwitch::DBusNetworkSwitch(QObject* parent) : QObject(parent) {}

void DBusNetworkSwitch::Enable(bool on, Done done) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) {
    done(false, "no system bus");
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.NetworkManager"), QStringLiteral("/org/freedesktop/NetworkManager"),
      QStringLiteral("org.freedesktop.NetworkManager"), QStringLiteral("Enable"));
  call << on;
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerWaitMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [done = std::move(done)](QDBusPendingCallWatcher* w) {
    const QDBusPendingReply<> reply = *w;
    w->deleteLater();
    if (reply.isError()) {
      done(false, (reply.error().name() + QStringLiteral(": ") + reply.error().message()).toStdString());
      return;
    }
    done(true, {});
  });
}

}  // namespace brivak::platform
