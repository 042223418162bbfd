// `panMain`: the unlock panel that fills the lock screen, drawn from an SLF layout model
// (core::LoadSlfLayout). It owns the fixed controls (user-name and password edits, OK /
// change-password / leave-a-message buttons in flat and standard style, message-count and
// away-message labels, two clock labels, two uptime labels, the analog clock) and the objects a
// layout creates (labels, images, bevels, group boxes, plug-in areas). GUI thread only.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "common/LogSink.h"
#include "platform/Clock.h"
#include "proj/core/SlfLayout.h"

class QLineEdit;

namespace brivak::ui {

class SlfPanel : public QWidget {
  Q_OBJECT

 public:
  // `log` receives the panel's debug lines ("MessageCountLabel - Clicked", ...); may be null. It
  // must outlive the panel.
  explicit SlfPanel(QWidget* parent = nullptr, LogSink* log = nullptr);
  ~SlfPanel() override;

  // Applies a loaded layout (the away-message caption is already in the model): every fixed control
  // is placed, styled and shown, or hidden when the model has no entry for it; the objects the
  // layout creates are added in file order, tagged 123456789 (labels and images below the edits and
  // buttons, bevels behind everything). Objects created by an earlier Apply are hidden, not freed:
  // they stay until FreeCreated. Hidden live labels are not refreshed by Tick.
  void Apply(const core::SlfLayout& layout);
  // The end of the lock: frees exactly the objects created by Apply calls; fixed controls stay.
  void FreeCreated();
  // The one-second refresh of the visible live labels: clock labels show `now` in their format, the
  // uptime labels the seconds since the lock began / since the system started.
  void Tick(const platform::LocalTime& now, std::int64_t lockUptimeSec,
            std::int64_t systemUptimeSec);
  // Rewrites the message-count label ("0 Messages", "1 Message", "2 Messages"), re-measured when
  // it sizes itself.
  void SetMessageCount(int count);
  // Rewrites the away-message label (the picker's choice).
  void SetAwayMessage(const QString& text);

  // Focuses the password edit when visible, else the user-name edit when visible.
  void FocusBox();
  void ClearPassword();
  void ClearBoth();
  QLineEdit* UserNameEdit() const;
  QLineEdit* PasswordEdit() const;
  // The widget of a fixed control (never null; owned by the panel).
  QWidget* Control(core::SlfControl control) const;
  // True when the password edit is shown (the last applied layout has an unlock box).
  bool HasUnlockBox() const;

 signals:
  // Both OK buttons, and Enter in the password edit.
  void okClicked(QString user, QString password);
  void changePasswordClicked();  // both change-password buttons
  void leaveMessageClicked();    // both leave-a-message buttons
  void messageCountClicked();    // a click on the message-count label ("View Messages")

 private:
  struct Controls;
  std::unique_ptr<Controls> c_;  // pointers to the fixed controls (children of the panel)
  LogSink* log_;
};

}  // namespace brivak::ui
