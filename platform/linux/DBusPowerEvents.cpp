#include "platform/linux/DBusPowerEvents.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace brivak::platform {

namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kUPower = QStringLiteral("org.freedesktop.UPower");
const QString kDisplayDevice = QStringLiteral("/org/freedesktop/UPower/devices/DisplayDevice");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr std::uint32_t kWarningLevelLow = 3;

}  // namespace

DBusPowerEvents::DBusPowerEvents(QObject* parent) : QObject(parent) {}

DBusPowerEvents::~DBusPowerEvents() {
  if (!started_) return;
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return;
  bus.disconnect(kLogind, QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
                 QStringLiteral("PrepareForSleep"), this, SLOT(PrepareForSleep(bool)));
  bus.disconnect(kUPower, QStringLiteral("/org/freedesktop/UPower"), kProperties, QStringLiteral("PropertiesChanged"),
                 this, SLOT(UPowerChanged(QString, QVariantMap, QStringList)));
  bus.disconnect(kUPower, kDisplayDevice, kProperties, QStringLiteral("PropertiesChanged"), this,
                 SLOT(DisplayDeviceChanged(QString, QVariantMap, QStringList)));
}

void DBusPowerEvents::Start(Callback callback, Note note) {
  if (started_) return;
  started_ = true;
  callback_ = std::move(callback);
  note_ = std::move(note);
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) {
    if (note_) note_("No system bus: suspend, resume and battery events are not reported.");
    return;
  }
  bus.connect(kLogind, QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
              QStringLiteral("PrepareForSleep"), this, SLOT(PrepareForSleep(bool)));
  bus.connect(kUPower, QStringLiteral("/org/freedesktop/UPower"), kProperties, QStringLiteral("PropertiesChanged"),
              this, SLOT(UPowerChanged(QString, QVariantMap, QStringList)));
  bus.connect(kUPower, kDisplayDevice, kProperties, QStringLiteral("PropertiesChanged"), this,
              SLOT(DisplayDeviceChanged(QString, QVariantMap, QStringList)));
  CheckService(kLogind, "logind is not on the system bus: suspend and resume are not reported.");
  CheckService(kUPower, "UPower is not on the system bus: battery and power source changes are not reported.");
}

void DBusPowerEvents::CheckService(const QString& service, const std::string& missing) {
  QDBusConnection bus = QDBusConnection::systemBus();
  QDBusMessage ask = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                    QStringLiteral("/org/freedesktop/DBus"),
                                                    QStringLiteral("org.freedesktop.DBus"),
                                                    QStringLiteral("NameHasOwner"));
  ask << service;
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(ask, 5000), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, missing](QDBusPendingCallWatcher* call) {
    const QDBusPendingReply<bool> reply = *call;
    if ((reply.isError() || !reply.value()) && note_) note_(missing);
    call->deleteLater();
  });
}

void DBusPowerEvents::PrepareForSleep(bool start) {
  if (callback_) callback_(start ? PowerEvent::Suspending : PowerEvent::Resumed);
}

void DBusPowerEvents::UPowerChanged(const QString&, const QVariantMap& changed, const QStringList&) {
  if (changed.contains(QStringLiteral("OnBattery")) && callback_) callback_(PowerEvent::PowerSourceChanged);
}

// The battery is low when the warning level rises to "low" or beyond; staying there is no news.
void DBusPowerEvents::DisplayDeviceChanged(const QString&, const QVariantMap& changed, const QStringList&) {
  const auto it = changed.find(QStringLiteral("WarningLevel"));
  if (it == changed.end()) return;
  const std::uint32_t level = it.value().toUInt();
  const bool becameLow = level >= kWarningLevelLow && warningLevel_ < kWarningLevelLow;
  warningLevel_ = level;
  if (becameLow && callback_) callback_(PowerEvent::BatteryLow);
}

}  // namespace brivak::platform
