// Tells the idle detector about every keyboard and pointer event that reaches one of the
// program's own windows (the program's idle time). Installed on the application; GUI thread.
#pragma once

#include <QObject>

#include "proj/core/DetectIdle.h"

namespace brivak::ui {

class AppInputFilter final : public QObject {
 public:
  // `detector` must outlive the filter.
  explicit AppInputFilter(core::TmcDetectIdle& detector, QObject* parent = nullptr)
      : QObject(parent), detector_(detector) {}

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  core::TmcDetectIdle& detector_;
};

}  // namespace brivak::ui
