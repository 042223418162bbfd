// The controller's "post to the UI thread" function for a Qt program: each closure becomes a
// queued call on `context`'s thread. Closures still queued when `context` is destroyed are dropped
// by Qt, never run. `context` must outlive every call of the returned function (the controller's
// Stop, which ends its posting, runs before the window is destroyed).
#pragma once

#include <QMetaObject>
#include <QObject>

#include <functional>
#include <utility>

#include "manager/app/ManagerService.h"

namespace brivak::manager {

inline app::UiPost QtUiPost(QObject* context) {
  return [context](std::function<void()> work) {
    QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
  };
}

}  // namespace brivak::manager
