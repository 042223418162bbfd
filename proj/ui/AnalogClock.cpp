#include "proj/ui/AnalogClock.h"

#include <QPainter>
#include <QPointF>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace brivak::ui {

AnalogClock::AnalogClock(QWidget* parent) : QWidget(parent) {}

void AnalogClock::SetFaceColor(const QColor& color) {
  face_ = color;
  update();
}

void AnalogClock::SetDotsColor(const QColor& color) {
  dots_ = color;
  update();
}

void AnalogClock::SetHandColor(const QColor& color) {
  hands_ = color;
  update();
}

void AnalogClock::SetShowSeconds(bool show) {
  showSeconds_ = show;
  update();
}

void AnalogClock::SetTime(int hour, int minute, int second) {
  if (hour == hour_ && minute == minute_ && second == second_) return;
  hour_ = hour;
  minute_ = minute;
  second_ = second;
  update();
}

namespace {

// The point at `fraction` of a full turn (0 = twelve o'clock) and `length` from the centre.
QPointF OnDial(QPointF centre, double fraction, double length) {
  const double angle = fraction * 2.0 * std::numbers::pi;
  return {centre.x() + length * std::sin(angle), centre.y() - length * std::cos(angle)};
}

}  // namespace

void AnalogClock::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  p.fillRect(rect(), face_);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF centre(width() / 2.0, height() / 2.0);
  const double radius = std::max(1.0, std::min(width(), height()) / 2.0 - 2.0);

  p.setPen(Qt::NoPen);
  p.setBrush(dots_);
  for (int i = 0; i < 60; ++i) {
    const double dot = (i % 5 == 0) ? std::max(1.5, radius / 18.0) : std::max(0.75, radius / 40.0);
    p.drawEllipse(OnDial(centre, i / 60.0, radius - dot), dot, dot);
  }

  const double minutes = minute_ + second_ / 60.0;
  const double hours = (hour_ % 12) + minutes / 60.0;
  p.setPen(QPen(hands_, std::max(2.0, radius / 12.0), Qt::SolidLine, Qt::RoundCap));
  p.drawLine(centre, OnDial(centre, hours / 12.0, radius * 0.5));
  p.setPen(QPen(hands_, std::max(1.5, radius / 20.0), Qt::SolidLine, Qt::RoundCap));
  p.drawLine(centre, OnDial(centre, minutes / 60.0, radius * 0.8));
  if (showSeconds_) {
    p.setPen(QPen(dots_, 1.0));
    p.drawLine(centre, OnDial(centre, second_ / 60.0, radius * 0.9));
  }
}

}  // namespace brivak::ui
