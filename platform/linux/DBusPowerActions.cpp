#include "platform/linux/DBusPowerActions.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace brivak::platform {

DBusPowerActions::DBusPowerActions(QObject* parent) : QObject(parent) {}

void DBusPowerActions::Suspend(Done done) { Call("Suspend", std::move(done)); }
void DBusPowerActions::Hibernate(Done done) { Call("Hibernate", std::move(done)); }

void DBusPowerActions::Call(const char* method, Done done) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) {
    done({false, "no system bus"});
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QString::fromLatin1(method));
  call << false;  // not interactive: no authentication dialog of the desktop
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerWaitMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [done = std::move(done)](QDBusPendingCallWatcher* w) {
    const QDBusPendingReply<> reply = *w;
    w->deleteLater();
    if (reply.isError()) {
      const QDBusError error = reply.error();
      done({false, (error.name() + QStringLiteral(": ") + error.message()).toStdString()});
      return;
    }
    done({true, {}});
  });
}

}  // namespace brivak::platform
