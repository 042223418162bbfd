#include "manager/ui/TfrmShutdown.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "manager/ui/QtText.h"

namespace brivak::manager {

namespace {
// The radio buttons' ids are the actions they stand for.
constexpr std::pair<ShutdownAction, const char*> kActions[] = {
    {ShutdownAction::LogOff, "Log Off"},   {ShutdownAction::Restart, "Restart"},
    {ShutdownAction::Shutdown, "Shutdown"}, {ShutdownAction::Sleep, "Sleep"},
    {ShutdownAction::Hibernate, "Hibernate"},
};
}  // namespace

TfrmShutdown::TfrmShutdown(QWidget* parent)
    : QDialog(parent),
      rgShutdownType_(new QButtonGroup(this)),
      chkForce_(new QCheckBox(tr("Force applications to close without warning"), this)),
      chkTimeout_(new QCheckBox(tr("Set timeout for shutdown to"), this)),
      spinSecs_(new QSpinBox(this)),
      chkShutdownComment_(new QCheckBox(tr("Shutdown comment"), this)),
      edShutdownComment_(new QLineEdit(this)) {
  setWindowTitle(tr("Shutdown"));
  auto* action = new QGroupBox(tr("Action"), this);
  auto* actionLayout = new QVBoxLayout(action);
  for (const auto& [value, caption] : kActions) {
    auto* button = new QRadioButton(tr(caption), action);
    rgShutdownType_->addButton(button, static_cast<int>(value));
    actionLayout->addWidget(button);
  }
  spinSecs_->setRange(0, kMaxShutdownSeconds);
  edShutdownComment_->setMaxLength(static_cast<int>(kMaxShutdownComment));

  auto* timeout = new QHBoxLayout;
  timeout->addWidget(chkTimeout_);
  timeout->addWidget(spinSecs_);
  timeout->addWidget(new QLabel(tr("seconds"), this));
  timeout->addStretch();
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(action);
  layout->addWidget(chkForce_);
  layout->addLayout(timeout);
  layout->addWidget(chkShutdownComment_);
  layout->addWidget(edShutdownComment_);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

ShutdownOptions TfrmShutdown::Options() const {
  ShutdownOptions options;
  const int checked = rgShutdownType_->checkedId();
  options.action = checked < 0 ? ShutdownAction::None : static_cast<ShutdownAction>(checked);
  options.force = chkForce_->isChecked();
  options.withComment = chkShutdownComment_->isChecked();
  options.comment = FromQ(edShutdownComment_->text());
  options.withTimeout = chkTimeout_->isChecked();
  options.seconds = spinSecs_->value();
  return options;
}

}  // namespace brivak::manager
