// The analog clock of the unlock panel: a painted twelve-hour dial (face colour, hour dots colour,
// hands in the hand colour, a second hand when ShowSeconds). It shows the time last given to
// SetTime; the panel's one-second tick drives it. GUI thread only.
#pragma once

#include <QColor>
#include <QWidget>

namespace brivak::ui {

class AnalogClock : public QWidget {
  Q_OBJECT

 public:
  explicit AnalogClock(QWidget* parent = nullptr);

  void SetFaceColor(const QColor& color);
  void SetDotsColor(const QColor& color);
  void SetHandColor(const QColor& color);
  void SetShowSeconds(bool show);
  // Repaints when the shown time changes.
  void SetTime(int hour, int minute, int second);

  QColor FaceColor() const { return face_; }
  QColor DotsColor() const { return dots_; }
  bool ShowSeconds() const { return showSeconds_; }
  int Hour() const { return hour_; }
  int Minute() const { return minute_; }
  int Second() const { return second_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor face_{Qt::black};
  QColor dots_{Qt::darkCyan};
  QColor hands_{Qt::green};
  bool showSeconds_ = true;
  int hour_ = 0, minute_ = 0, second_ = 0;
};

}  // namespace brivak::ui
