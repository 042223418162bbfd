// TfrmFirstTime, TfrmChangePassword and TfrmEditUser.
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include "common/Hash.h"
#include "proj/ui/DialogParts.h"
#include "proj/ui/AccountDialogs.h"

namespace brivak::ui {

using parts::BoldLabel;
using parts::IsEnter;
using parts::IsTyped;
using parts::MaskedBox;
using parts::Q;
using parts::S;
using parts::StoreMaster;

// --- TfrmFirstTime --------------------------------------------------------------------------------

FirstTimeDialog::FirstTimeDialog(QWidget* parent, PasswordContext& context, MessageFunction messages)
    : QDialog(parent), context_(context), messages_(std::move(messages)) {
  setWindowTitle(Q(core::prompt_text::kFirstTimeCaption));
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  auto* text = BoldLabel(Q(core::prompt_text::kFirstTimeText), this);
  text->setWordWrap(true);
  auto* passwordLabel = new QLabel(tr("&Password:"), this);
  password_ = MaskedBox(this);
  passwordLabel->setBuddy(password_);
  auto* confirmLabel = new QLabel(tr("&Confirm:"), this);
  confirm_ = MaskedBox(this);
  confirmLabel->setBuddy(confirm_);
  ok_ = new QPushButton(tr("&OK"), this);
  exit_ = new QPushButton(tr("E&xit"), this);
  ok_->setDefault(true);
  ok_->setEnabled(false);

  auto* grid = new QGridLayout(this);
  grid->addWidget(text, 0, 0, 1, 2);
  grid->addWidget(passwordLabel, 1, 0);
  grid->addWidget(password_, 1, 1);
  grid->addWidget(confirmLabel, 2, 0);
  grid->addWidget(confirm_, 2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(exit_);
  grid->addLayout(buttons, 3, 0, 1, 2);
  setMinimumWidth(460);

  connect(password_, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  connect(confirm_, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  connect(ok_, &QPushButton::clicked, this, [this] { OkClick(); });
  connect(exit_, &QPushButton::clicked, this, [this] {
    if (context_.requestExit) context_.requestExit();
    reject();
  });
  password_->installEventFilter(this);
  confirm_->installEventFilter(this);
  password_->setFocus();
}

void FirstTimeDialog::UpdateOk() {
  ok_->setEnabled(core::FirstTimeOkEnabled(S(password_->text()), S(confirm_->text())));
}

bool FirstTimeDialog::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == password_ || watched == confirm_) && IsEnter(event)) {
    if (event->type() == QEvent::KeyRelease) {
      if (watched == password_ && core::FirstTimeEnterMovesOn(S(password_->text()))) {
        confirm_->setFocus();
      } else if (watched == confirm_) {
        ok_->click();  // does nothing while OK is disabled
      }
    }
    return true;  // the press never reaches the default button
  }
  return QDialog::eventFilter(watched, event);
}

void FirstTimeDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) return;  // no Cancel in this dialog
  QDialog::keyPressEvent(event);
}

void FirstTimeDialog::OkClick() {
  const std::string password = S(password_->text());
  if (password != S(confirm_->text())) {
    messages_(this, MessageIcon::kStop, Q(core::prompt_text::kErrorTitle),
              Q(core::prompt_text::kPasswordsDoNotMatch));
    password_->clear();
    confirm_->clear();
    password_->setFocus();
    return;
  }
  // The settings first: a master password that could not be saved is not in force.
  if (!StoreMaster(context_, Hash(password), this, messages_)) return;
  try {
    core::WriteAdministrator(context_.users, password);
  } catch (const std::exception& e) {
    context_.log.Mem(std::string("EX: ") + e.what());
  }
  accept();
}

// --- TfrmChangePassword ---------------------------------------------------------------------------

ChangePasswordDialog::ChangePasswordDialog(QWidget* parent, PasswordContext& context,
                                           MessageFunction messages)
    : QDialog(parent), context_(context), messages_(std::move(messages)) {
  setWindowTitle(Q(core::prompt_text::kChangePasswordCaption));
  setModal(true);
  auto* text = BoldLabel(Q(core::prompt_text::kChangePasswordText), this);
  auto* oldLabel = new QLabel(tr("&Old:"), this);
  old_ = MaskedBox(this);
  oldLabel->setBuddy(old_);
  auto* newLabel = new QLabel(tr("&New:"), this);
  new_ = MaskedBox(this);
  newLabel->setBuddy(new_);
  auto* confirmLabel = new QLabel(tr("&Confirm:"), this);
  confirm_ = MaskedBox(this);
  confirmLabel->setBuddy(confirm_);
  ok_ = new QPushButton(tr("&OK"), this);
  cancel_ = new QPushButton(tr("Cancel"), this);
  ok_->setEnabled(false);  // submitted by Enter only
  ok_->setAutoDefault(false);
  cancel_->setAutoDefault(false);

  auto* grid = new QGridLayout(this);
  grid->addWidget(text, 0, 0, 1, 2);
  grid->addWidget(oldLabel, 1, 0);
  grid->addWidget(old_, 1, 1);
  grid->addWidget(newLabel, 2, 0);
  grid->addWidget(new_, 2, 1);
  grid->addWidget(confirmLabel, 3, 0);
  grid->addWidget(confirm_, 3, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  grid->addLayout(buttons, 4, 0, 1, 2);

  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  old_->installEventFilter(this);
  new_->installEventFilter(this);
  confirm_->installEventFilter(this);
  old_->setFocus();
}

bool ChangePasswordDialog::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == old_ || watched == new_ || watched == confirm_) && IsEnter(event)) {
    if (event->type() == QEvent::KeyPress) {
      auto* box = static_cast<QLineEdit*>(watched);
      if (!box->text().isEmpty()) {
        if (box == old_) new_->setFocus();
        else if (box == new_) confirm_->setFocus();
        else OkAction();
      }
    }
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void ChangePasswordDialog::OkAction() {
  const std::string newPassword = S(new_->text());
  switch (core::DecideChangePassword(S(old_->text()), newPassword, S(confirm_->text()),
                                     context_.settings.Security.passwordHash)) {
    case core::ChangePasswordVerdict::kWrongOld:
      messages_(this, MessageIcon::kStop, Q(core::prompt_text::kErrorTitle),
                Q(core::prompt_text::kOldPasswordIncorrect));
      old_->clear();
      new_->clear();
      confirm_->clear();
      old_->setFocus();
      return;
    case core::ChangePasswordVerdict::kMismatch:
      messages_(this, MessageIcon::kStop, Q(core::prompt_text::kErrorTitle),
                Q(core::prompt_text::kNewConfirmMismatch));
      new_->clear();
      confirm_->clear();
      new_->setFocus();
      return;
    case core::ChangePasswordVerdict::kAccept:
      break;
  }
  if (!StoreMaster(context_, Hash(newPassword), this, messages_)) return;
  messages_(this, MessageIcon::kInformation, Q(core::prompt_text::kPasswordChangedTitle),
            Q(core::prompt_text::kPasswordChanged));
  accept();
}

// --- TfrmEditUser ---------------------------------------------------------------------------------

EditUserDialog::EditUserDialog(QWidget* parent, const EditUserRequest& request, MessageFunction messages)
    : QDialog(parent), addMode_(request.addMode), messages_(std::move(messages)) {
  setWindowTitle(Q(request.caption));
  setModal(true);
  auto* header = BoldLabel(Q(core::prompt_text::kEditUserHeader), this);
  header->setAutoFillBackground(true);
  header->setStyleSheet("background-color: #202838; color: white; padding: 8px;");
  auto* text = BoldLabel(Q(core::prompt_text::kEditUserText), this);
  auto* userLabel = new QLabel(tr("&Username"), this);
  user_ = new QLineEdit(this);
  userLabel->setBuddy(user_);
  auto* passwordLabel = new QLabel(tr("&Password:"), this);
  password_ = MaskedBox(this);
  passwordLabel->setBuddy(password_);
  confirmLabel_ = new QLabel(tr("&Confirm:"), this);
  confirm_ = MaskedBox(this);
  confirmLabel_->setBuddy(confirm_);
  auto* accessLabel = new QLabel(tr("&Access:"), this);
  access_ = new QComboBox(this);
  for (int level = kLevelNone; level <= kLevelAdmin; ++level) {
    access_->addItem(Q(PermissionsDialogText(level)));
  }
  accessLabel->setBuddy(access_);
  ok_ = new QPushButton(tr("OK"), this);
  cancel_ = new QPushButton(tr("Cancel"), this);
  ok_->setDefault(true);

  auto* grid = new QGridLayout(this);
  grid->addWidget(header, 0, 0, 1, 2);
  grid->addWidget(text, 1, 0, 1, 2);
  grid->addWidget(userLabel, 2, 0);
  grid->addWidget(user_, 2, 1);
  grid->addWidget(passwordLabel, 3, 0);
  grid->addWidget(password_, 3, 1);
  grid->addWidget(confirmLabel_, 4, 0);
  grid->addWidget(confirm_, 4, 1);
  grid->addWidget(accessLabel, 5, 0);
  grid->addWidget(access_, 5, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  grid->addLayout(buttons, 6, 0, 1, 2);

  if (!addMode_) {
    user_->setText(Q(request.userName));
    clickToChange_ = true;
    password_->setEchoMode(QLineEdit::Normal);
    password_->setText(Q(core::prompt_text::kClickToChange));
    confirm_->clear();
    confirm_->setEnabled(false);
    confirmLabel_->setEnabled(false);
    access_->setCurrentIndex(std::clamp(request.level, kLevelNone, kLevelAdmin));
  } else {
    access_->setCurrentIndex(kLevelNone);
  }

  connect(user_, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  connect(password_, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  connect(confirm_, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  connect(ok_, &QPushButton::clicked, this, [this] { OkClick(); });
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  for (QWidget* w : {static_cast<QWidget*>(user_), static_cast<QWidget*>(password_),
                     static_cast<QWidget*>(confirm_), static_cast<QWidget*>(access_),
                     static_cast<QWidget*>(ok_), static_cast<QWidget*>(cancel_)}) {
    w->installEventFilter(this);
  }
  UpdateOk();
  user_->setFocus();
}

bool EditUserDialog::ShowsClickToChange() const { return clickToChange_; }

void EditUserDialog::LeaveClickToChange() {
  if (!clickToChange_) return;
  clickToChange_ = false;
  password_->clear();
  confirm_->clear();
  confirm_->setEnabled(true);
  confirmLabel_->setEnabled(true);
  password_->setEchoMode(QLineEdit::Password);
  confirm_->setEchoMode(QLineEdit::Password);
  UpdateOk();
}

core::EditUserFields EditUserDialog::Fields() const {
  core::EditUserFields f;
  f.addMode = addMode_;
  f.userName = S(user_->text());
  f.password = S(password_->text());
  f.confirm = S(confirm_->text());
  f.showsClickToChange = ShowsClickToChange();
  f.confirmEnabled = confirm_->isEnabled();
  return f;
}

EditUserResult EditUserDialog::Result() const {
  EditUserResult result;
  result.userName = S(user_->text());
  if (!ShowsClickToChange()) result.password = S(password_->text());
  result.level = access_->currentIndex();
  return result;
}

void EditUserDialog::UpdateOk() { ok_->setEnabled(core::EditUserOkEnabled(Fields())); }

void EditUserDialog::OkClick() {
  if (core::EditUserPasswordsMismatch(Fields())) {
    messages_(this, MessageIcon::kStop, Q(core::prompt_text::kEditUserMismatchTitle),
              Q(core::prompt_text::kEditUserMismatch));
    password_->clear();
    confirm_->clear();
    password_->setFocus();
    return;
  }
  accept();
}

void EditUserDialog::HandleEnter() {
  using core::EditUserFocus;
  QWidget* focused = focusWidget();
  EditUserFocus focus = EditUserFocus::kOther;
  if (focused == user_) focus = EditUserFocus::kUserName;
  else if (focused == password_) focus = EditUserFocus::kPassword;
  else if (focused == confirm_) focus = EditUserFocus::kConfirm;
  else if (focused == access_) focus = EditUserFocus::kAccess;
  else if (focused == ok_) focus = EditUserFocus::kOk;

  if (focus == EditUserFocus::kOk) {
    ok_->click();  // Enter on the focused OK button still submits
    return;
  }
  switch (core::EditUserEnter(focus, Fields())) {
    case EditUserFocus::kUserName: user_->setFocus(); break;
    case EditUserFocus::kPassword: password_->setFocus(); break;
    case EditUserFocus::kConfirm: confirm_->setFocus(); break;
    case EditUserFocus::kAccess: access_->setFocus(); break;
    case EditUserFocus::kOk: ok_->setFocus(); break;
    case EditUserFocus::kOther: break;
  }
}

bool EditUserDialog::eventFilter(QObject* watched, QEvent* event) {
  if (IsEnter(event)) {
    if (event->type() == QEvent::KeyPress) HandleEnter();
    return true;
  }
  if (watched == password_ && clickToChange_) {
    if (event->type() == QEvent::MouseButtonPress) {
      LeaveClickToChange();
    } else if (event->type() == QEvent::KeyPress && IsTyped(static_cast<QKeyEvent*>(event))) {
      LeaveClickToChange();  // the key itself then goes into the emptied box
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace brivak::ui
