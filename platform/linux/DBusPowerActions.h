// Standby and hibernation through logind on the system bus (org.freedesktop.login1.Manager's
// Suspend and Hibernate with interactive = false), asynchronous over QtDBus. Lives on the thread
// that creates it (the UI thread), where the answers are delivered.
#pragma once

#include <QObject>

#include "platform/PowerActions.h"

namespace brivak::platform {

class DBusPowerActions final : public QObject, public PowerActions {
  Q_OBJECT

 public:
  explicit DBusPowerActions(QObject* parent = nullptr);

  void Suspend(Done done) override;
  void Hibernate(Done done) override;

 private:
  void Call(const char* method, Done done);
};

}  // namespace brivak::platform
