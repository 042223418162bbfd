// Power events from the system bus over QtDBus: logind's PrepareForSleep (suspend, resume) and
// UPower's OnBattery (power source) and the display device's WarningLevel (low battery).
// Lives on the thread that creates it (the UI thread), where its signals are delivered.
#pragma once

#include <QObject>
#include <QVariantMap>

#include <cstdint>

#include "platform/PowerEvents.h"

namespace brivak::platform {

class DBusPowerEvents final : public QObject, public PowerEvents {
  Q_OBJECT

 public:
  explicit DBusPowerEvents(QObject* parent = nullptr);
  ~DBusPowerEvents() override;

  void Start(Callback callback, Note note) override;

 private slots:
  void PrepareForSleep(bool start);
  void UPowerChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);
  void DisplayDeviceChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

 private:
  // Asks the bus, without waiting, whether `service` has an owner; says `missing` once if not.
  void CheckService(const QString& service, const std::string& missing);

  Callback callback_;
  Note note_;
  std::uint32_t warningLevel_ = 0;  // the display device's last WarningLevel (3 low, 4 critical)
  bool started_ = false;
};

}  // namespace brivak::platform
