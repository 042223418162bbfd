#include "proj/ui/AppInputFilter.h"

#include <QEvent>

namespace brivak::ui {

bool AppInputFilter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::Wheel:
      detector_.AppInput();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace brivak::ui
