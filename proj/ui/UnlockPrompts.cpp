// TfrmUnlock and TfrmUserUnlock.
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "proj/ui/DialogParts.h"
#include "proj/ui/UnlockPrompts.h"

namespace brivak::ui {

using parts::BoldLabel;
using parts::IsEnter;
using parts::LockImage;
using parts::MaskedBox;
using parts::Q;
using parts::S;

// --- TfrmUnlock -----------------------------------------------------------------------------------

UnlockPrompt::UnlockPrompt(QWidget* parent, PasswordContext& context, std::string activity,
                           MessageFunction messages)
    : QDialog(parent), context_(context), activity_(std::move(activity)), messages_(std::move(messages)) {
  setWindowTitle(Q(core::prompt_text::kUnlockCaption));
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  instruction_ = BoldLabel(Q(core::EnterPasswordTo(activity_)), this);
  password_ = MaskedBox(this);
  ok_ = new QPushButton(tr("OK"), this);
  cancel_ = new QPushButton(tr("Cancel"), this);
  ok_->setDefault(true);
  ok_->setEnabled(false);

  auto* fields = new QVBoxLayout;
  fields->addWidget(instruction_);
  fields->addWidget(password_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  fields->addLayout(buttons);
  auto* top = new QHBoxLayout(this);
  top->addWidget(LockImage(this));
  top->addLayout(fields);

  connect(password_, &QLineEdit::textChanged, this,
          [this](const QString& text) { ok_->setEnabled(core::UnlockOkEnabled(S(text))); });
  connect(ok_, &QPushButton::clicked, this, [this] { OkClick(); });
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  password_->setFocus();
}

void UnlockPrompt::OkClick() {
  context_.log.Debug("frmUnlock.OK.click");
  if (!Authenticate(S(password_->text()), context_.settings.Security.passwordHash)) {
    context_.events.SecurityEvent(core::security_event::IncorrectPasswordTo(activity_),
                                  EventSettingsOf(context_.settings));
    messages_(this, MessageIcon::kStop, Q(core::prompt_text::kErrorTitle),
              Q(core::prompt_text::kIncorrectPassword));
    password_->clear();
    password_->setFocus();
    return;
  }
  accept();
}

// --- TfrmUserUnlock -------------------------------------------------------------------------------

UserUnlockPrompt::UserUnlockPrompt(QWidget* parent, PasswordContext& context, std::string activity)
    : QDialog(parent), context_(context), activity_(std::move(activity)) {
  setWindowTitle(Q(core::prompt_text::kUnlockCaption));
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  instruction_ = BoldLabel(Q(core::EnterPasswordTo(activity_)), this);
  userLabel_ = new QLabel(Q(core::prompt_text::kUserNameLabel), this);
  userLabel_->setToolTip(Q(core::prompt_text::kUserNameHint));
  user_ = new QLineEdit(this);
  userLabel_->setBuddy(user_);
  auto* passwordLabel = new QLabel(tr("&Password:"), this);
  password_ = MaskedBox(this);
  passwordLabel->setBuddy(password_);
  ok_ = new QPushButton(tr("&OK"), this);
  cancel_ = new QPushButton(tr("&Cancel"), this);
  ok_->setDefault(true);
  ok_->setEnabled(false);

  auto* grid = new QGridLayout;
  grid->addWidget(instruction_, 0, 0, 1, 2);
  grid->addWidget(userLabel_, 1, 0);
  grid->addWidget(user_, 1, 1);
  grid->addWidget(passwordLabel, 2, 0);
  grid->addWidget(password_, 2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  grid->addLayout(buttons, 3, 0, 1, 2);
  auto* top = new QHBoxLayout(this);
  top->addWidget(LockImage(this));
  top->addLayout(grid);

  timer_ = new QTimer(this);
  timer_->setInterval(core::AdministratorShortcut::kPeriodMs);
  connect(timer_, &QTimer::timeout, this, [this] { numAs_.Tick(); });
  timer_->start();

  auto* altA = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_A), this);
  connect(altA, &QShortcut::activated, this, [this] { UseAdministrator(); });

  connect(user_, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  connect(password_, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  connect(ok_, &QPushButton::clicked, this, [this] { OkClick(); });
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  user_->installEventFilter(this);
  userLabel_->installEventFilter(this);
  user_->setFocus();
}

void UserUnlockPrompt::UseAdministrator() {
  user_->setText(Q(core::prompt_text::kAdministrator));
  password_->setFocus();
}

void UserUnlockPrompt::UpdateOk() {
  ok_->setEnabled(core::UserUnlockOkEnabled(S(user_->text()), S(password_->text())));
}

bool UserUnlockPrompt::eventFilter(QObject* watched, QEvent* event) {
  if (watched == userLabel_ && event->type() == QEvent::MouseButtonDblClick) {
    UseAdministrator();
    return true;
  }
  if (watched == user_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (IsEnter(event)) {
      password_->setFocus();
      return true;  // not the default button
    }
    const QString text = key->text();
    if (text.size() == 1 && numAs_.KeyTyped(text.at(0).unicode())) {
      UseAdministrator();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void UserUnlockPrompt::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  const int labelRight = instruction_->mapTo(this, QPoint(instruction_->width(), 0)).x();
  resize(core::UserUnlockWidth(labelRight), height());
}

void UserUnlockPrompt::OkClick() {
  const int result = Authenticate(
      context_.users, S(user_->text()), S(password_->text()), context_.log,
      AuthLogging{context_.settings.Logging.LogBadPasswords, context_.settings.Logging.LogUserWhoUnlocked});
  accessLevelGranted_ = core::UserUnlockGrant(result);
  if (accessLevelGranted_ > 0) {
    done(QDialog::Accepted);
    return;
  }
  context_.events.SecurityEvent(core::security_event::IncorrectPasswordTo(activity_),
                                EventSettingsOf(context_.settings));
  done(core::kModalNo);
}

void UserUnlockPrompt::reject() {
  accessLevelGranted_ = 0;
  QDialog::reject();
}

}  // namespace brivak::ui
