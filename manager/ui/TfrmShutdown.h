// The shutdown dialog (caption "Shutdown"): the action, force, a time-out and a comment, turned
// into the core's ShutdownOptions (whose flag text the "shutdowncomp" command carries).
// Thread-safety: user-interface thread only.
#pragma once

#include <QDialog>

#include "manager/core/CommandUrls.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace brivak::manager {

class TfrmShutdown : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmShutdown(QWidget* parent = nullptr);

  ShutdownOptions Options() const;

  QButtonGroup* rgShutdownType() const { return rgShutdownType_; }
  QCheckBox* chkForce() const { return chkForce_; }
  QCheckBox* chkTimeout() const { return chkTimeout_; }
  QSpinBox* spinSecs() const { return spinSecs_; }
  QCheckBox* chkShutdownComment() const { return chkShutdownComment_; }
  QLineEdit* edShutdownComment() const { return edShutdownComment_; }

 private:
  QButtonGroup* rgShutdownType_;
  QCheckBox* chkForce_;
  QCheckBox* chkTimeout_;
  QSpinBox* spinSecs_;
  QCheckBox* chkShutdownComment_;
  QLineEdit* edShutdownComment_;
};

}  // namespace brivak::manager
