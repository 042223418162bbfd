// The three list pages of the options dialog: layouts, screen savers, away-message presets.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

#include "platform/linux/LinuxFileSystem.h"
#include "proj/ui/TfrmOptions.h"

namespace brivak::ui {

namespace fs = std::filesystem;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

QPushButton* ListButton(const QString& text, QWidget* parent, const char* name) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setAutoDefault(false);
  return button;
}

int SelectedRow(QTreeWidget* list) {
  QTreeWidgetItem* item = list->currentItem();
  if (item == nullptr || !item->isSelected()) return -1;
  return list->indexOfTopLevelItem(item);
}

}  // namespace

// ---- Layouts -------------------------------------------------------------------------------------

QWidget* TfrmOptions::BuildLayouts() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  auto* mode = new QHBoxLayout;
  mode->addWidget(new QLabel(QStringLiteral("Layout &Mode:"), page));
  radLayoutNormal_ = new QRadioButton(QStringLiteral("Normal"), page);
  radLayoutNormal_->setObjectName(QStringLiteral("radLayoutNormal"));
  radLayoutHTML_ = new QRadioButton(QStringLiteral("HTML"), page);
  radLayoutHTML_->setObjectName(QStringLiteral("radLayoutHTML"));
  mode->addWidget(radLayoutNormal_);
  mode->addWidget(radLayoutHTML_);
  mode->addStretch(1);
  layout->addLayout(mode);
  auto* row = new QHBoxLayout;
  lvLayouts_ = new QTreeWidget(page);
  lvLayouts_->setObjectName(QStringLiteral("lvLayouts"));
  lvLayouts_->setHeaderLabels({QStringLiteral("Title"), QStringLiteral("Filename")});
  lvLayouts_->setRootIsDecorated(false);
  lvLayouts_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  row->addWidget(lvLayouts_, 1);
  auto* buttons = new QVBoxLayout;
  auto* setAs = ListButton(QStringLiteral("&Set As Layout"), page, "btnSetAsLayout");
  auto* edit = ListButton(QStringLiteral("&Edit Now"), page, "btnEditNow");
  auto* copy = ListButton(QStringLiteral("&Copy to New"), page, "btnCopy");
  auto* remove = ListButton(QStringLiteral("&Delete"), page, "btnDelete");
  for (QPushButton* b : {setAs, edit, copy, remove}) buttons->addWidget(b);
  buttons->addStretch(1);
  row->addLayout(buttons);
  layout->addLayout(row, 1);
  auto* note = new QLabel(QStringLiteral("If this layout is designed for multi-user access, be sure to enable that "
                                         "option under Security."),
                          page);
  note->setWordWrap(true);
  layout->addWidget(note);

  connect(radLayoutNormal_, &QRadioButton::clicked, this, [this] { ListLayoutKind(false); });
  connect(radLayoutHTML_, &QRadioButton::clicked, this, [this] { ListLayoutKind(true); });
  connect(lvLayouts_, &QTreeWidget::itemClicked, this, [this] { btnSetAsLayoutClick(); });
  connect(setAs, &QPushButton::clicked, this, &TfrmOptions::btnSetAsLayoutClick);
  connect(edit, &QPushButton::clicked, this, &TfrmOptions::btnEditNowClick);
  connect(copy, &QPushButton::clicked, this, &TfrmOptions::btnCopyClick);
  connect(remove, &QPushButton::clicked, this, &TfrmOptions::btnDeleteClick);
  return page;
}

void TfrmOptions::ListLayoutKind(bool html) {
  setCursor(Qt::WaitCursor);
  layouts_ = core::ListLayouts(core::LayoutFolder(ports_.appData, html), html);
  lvLayouts_->clear();
  for (const core::LayoutRow& row : layouts_) {
    auto* item = new QTreeWidgetItem(lvLayouts_, QStringList{Q(row.title), Q(row.fileName)});
    item->setToolTip(1, Q(row.path));
  }
  unsetCursor();
  if (const auto select = core::LayoutRowToSelect(layouts_, draft_.General.LayoutFile)) {
    SelectLayoutRow(static_cast<int>(*select));
  }
}

void TfrmOptions::SelectLayoutRow(int row) {
  QTreeWidgetItem* item = lvLayouts_->topLevelItem(row);
  if (item == nullptr) return;
  lvLayouts_->setCurrentItem(item);
  item->setSelected(true);
}

void TfrmOptions::btnSetAsLayoutClick() {
  const int row = SelectedRow(lvLayouts_);
  if (row < 0) return;
  const std::string& path = layouts_[static_cast<std::size_t>(row)].path;
  draft_.General.LayoutFile = path;
  ports_.log.Mem("User chose " + path + " layout.");
}

void TfrmOptions::btnEditNowClick() {
  const int row = SelectedRow(lvLayouts_);
  if (row < 0 || !ports_.open) return;
  ports_.open(layouts_[static_cast<std::size_t>(row)].path);
}

void TfrmOptions::btnCopyClick() {
  const int row = SelectedRow(lvLayouts_);
  if (row < 0) return;
  const core::LayoutRow source = layouts_[static_cast<std::size_t>(row)];
  const auto name = questions_.input(this, QStringLiteral("Copy Selected Layout"),
                                     QStringLiteral("Enter filename of new Layout"), Q(source.fileName));
  if (!name) return;
  if (const std::string why = core::RefuseLayoutName(S(*name)); !why.empty()) {
    questions_.message(this, QStringLiteral("Copy Selected Layout"), Q(why));
    return;
  }
  const bool html = radLayoutHTML_->isChecked();
  std::error_code ignored;  // a failed copy, or an existing target, copies nothing
  fs::copy_file(source.path, core::LayoutFolder(ports_.appData, html) + S(*name), fs::copy_options::none, ignored);
  ListLayoutKind(html);
}

void TfrmOptions::btnDeleteClick() {
  const int row = SelectedRow(lvLayouts_);
  if (row < 0) return;
  const std::string path = layouts_[static_cast<std::size_t>(row)].path;
  if (!questions_.confirm(this, QStringLiteral("Confirm Delete"),
                          QStringLiteral("Do you really want to delete layout file: \r") + Q(path))) {
    return;
  }
  std::error_code ignored;
  fs::remove(path, ignored);  // the row's own file, also in a subfolder
  ListLayoutKind(radLayoutHTML_->isChecked());
}

// ---- Screen savers -------------------------------------------------------------------------------

QWidget* TfrmOptions::BuildScreenSavers() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  auto* idle = new QHBoxLayout;
  idle->addWidget(Check(page, "chkRunSaverOnIdle", "Ru&n Default Screen Saver within Brivak",
                        +[](core::TBrivakSettings& s) -> bool& { return s.ScreenSavers.runSaverOnIdle; }));
  idle->addWidget(new QLabel(QStringLiteral("after"), page));
  idle->addWidget(Spin(page, "spinSaverIdle", 0, 99999, 1,
                       [](const core::TBrivakSettings& s) { return s.ScreenSavers.idleDelay; },
                       [](core::TBrivakSettings& s, int v) { s.ScreenSavers.idleDelay = v; }));
  idle->addWidget(new QLabel(QStringLiteral("seconds of idle activity"), page));
  idle->addStretch(1);
  layout->addLayout(idle);
  layout->addWidget(Check(page, "chkRunSaverOnStartup", "Run Default ScreenSaver &Immediately on Brivak Startup",
                          +[](core::TBrivakSettings& s) -> bool& { return s.ScreenSavers.loadSaverOnStartup; }));
  auto* current = new QHBoxLayout;
  current->addWidget(new QLabel(QStringLiteral("Default ScreenSaver to use:"), page));
  lblDefaultSaver_ = new QLabel(page);
  lblDefaultSaver_->setObjectName(QStringLiteral("lblDefaultSaver"));
  QFont bold = lblDefaultSaver_->font();
  bold.setBold(true);
  lblDefaultSaver_->setFont(bold);
  current->addWidget(lblDefaultSaver_, 1);
  layout->addLayout(current);
  auto* row = new QHBoxLayout;
  sslv_ = new QTreeWidget(page);
  sslv_->setObjectName(QStringLiteral("sslv"));
  sslv_->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("File")});
  sslv_->setRootIsDecorated(false);
  row->addWidget(sslv_, 1);
  auto* buttons = new QVBoxLayout;
  auto* add = ListButton(QStringLiteral("&Add"), page, "btnSSadd");
  btnSSedit_ = ListButton(QStringLiteral("&Edit"), page, "btnSSedit");
  add->setEnabled(false);  // no action
  btnSSconfig_ = ListButton(QStringLiteral("&Configure"), page, "btnSSconfig");
  btnSSpreview_ = ListButton(QStringLiteral("&Preview"), page, "btnSSpreview");
  tbSSremove_ = ListButton(QStringLiteral("&Remove"), page, "tbSSremove");
  tbSSremove_->setToolTip(QStringLiteral("Removes this screensaver from the screensaver menu"));
  auto* rescan = ListButton(QStringLiteral("Re-&Scan for ScreenSavers"), page, "btnSSrescan");
  for (QPushButton* b : {add, btnSSedit_, btnSSconfig_, btnSSpreview_, tbSSremove_, rescan}) buttons->addWidget(b);
  buttons->addStretch(1);
  row->addLayout(buttons);
  layout->addLayout(row, 1);

  connect(sslv_, &QTreeWidget::itemSelectionChanged, this, &TfrmOptions::sslvClick);
  connect(btnSSconfig_, &QPushButton::clicked, this, &TfrmOptions::btnSSconfigClick);
  connect(btnSSpreview_, &QPushButton::clicked, this, &TfrmOptions::btnSSpreviewClick);
  connect(tbSSremove_, &QPushButton::clicked, this, &TfrmOptions::tbSSremoveClick);
  connect(rescan, &QPushButton::clicked, this, &TfrmOptions::btnSSrescanClick);
  sslvClick();
  return page;
}

void TfrmOptions::PopulateScreenSavers() {
  savers_ = core::ReadScreenSavers(ports_.appData + "screensavers.dat");
  sslv_->clear();
  for (const core::SaverRow& saver : savers_) new QTreeWidgetItem(sslv_, QStringList{Q(saver.name), Q(saver.path)});
  sslvClick();
}

void TfrmOptions::SelectDefaultSaver() {
  for (int i = 0; i < sslv_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = sslv_->topLevelItem(i);
    if (S(item->text(1)) != draft_.ScreenSavers.defaultSaver) continue;
    lblDefaultSaver_->setText(item->text(0));
    sslv_->setCurrentItem(item);
    item->setSelected(true);
    sslv_->scrollToItem(item);
    sslv_->setFocus();
    return;
  }
}

void TfrmOptions::sslvClick() {
  const int row = SelectedRow(sslv_);
  // XScreenSaver hacks have no settings dialog of their own and nothing edits a list entry.
  btnSSconfig_->setEnabled(false);
  btnSSedit_->setEnabled(false);
  btnSSpreview_->setEnabled(row >= 0);
  tbSSremove_->setEnabled(row >= 0);
  if (row >= 0) lblDefaultSaver_->setText(sslv_->topLevelItem(row)->text(0));
}

void TfrmOptions::btnSSconfigClick() {}

void TfrmOptions::btnSSpreviewClick() {
  const int row = SelectedRow(sslv_);
  if (row < 0 || !ports_.start) return;
  const std::string path = S(sslv_->topLevelItem(row)->text(1));
  // A hack started without a window id draws in a window of its own.
  ports_.start({path}, fs::path(path).parent_path().string());
}

void TfrmOptions::tbSSremoveClick() {
  const int row = SelectedRow(sslv_);
  if (row < 0) return;
  try {
    platform::LinuxFileSystem files;  // stateless: the program's file system
    core::RemoveScreenSaver(files, ports_.appData + "screensavers.dat", S(sslv_->topLevelItem(row)->text(0)));
  } catch (const std::exception& e) {
    ports_.log.Mem(std::string("EX: ") + e.what());
  }
  PopulateScreenSavers();
}

void TfrmOptions::btnSSrescanClick() {
  if (!questions_.confirm(this, QStringLiteral("Re-Scan for ScreenSavers"),
                          QStringLiteral("This will erase any changes you have made since the last scan.\r\r"
                                         "If you have added custom any screensavers, you will need to add them again."))) {
    return;
  }
  std::error_code ignored;
  fs::remove(ports_.appData + "screensavers.dat", ignored);
  // The search runs at the next lock's start, when the file is missing.
  ports_.log.Mem("The screen savers are searched again when the next lock starts.");
}

// ---- Away messages -------------------------------------------------------------------------------

QWidget* TfrmOptions::BuildAwayMessage() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel(QStringLiteral("De&fault Away Message shown after automatic Brivak launch"), page));
  memDefaultAwayMessage_ = new QPlainTextEdit(page);
  memDefaultAwayMessage_->setObjectName(QStringLiteral("memDefaultAwayMessage"));
  memDefaultAwayMessage_->setMaximumHeight(80);
  texts_.push_back({nullptr, memDefaultAwayMessage_,
                    +[](core::TBrivakSettings& s) -> std::string& { return s.Messages.DefaultAwayMessage; }});
  layout->addWidget(memDefaultAwayMessage_);
  layout->addWidget(Check(page, "chkPromptAwayMsg", "&Prompt me for an Away Message on Brivak Start",
                          +[](core::TBrivakSettings& s) -> bool& { return s.Messages.promptForAwayMsg; }));
  auto* secs = new QHBoxLayout;
  secs->addWidget(new QLabel(QStringLiteral("Use default message if nothing entered within "), page));
  secs->addWidget(Spin(page, "spnSecsBeforeDefaultMsg", 1, 999, 1,
                       [](const core::TBrivakSettings& s) { return static_cast<int>(std::min<uint32_t>(s.Messages.secsBeforeDefaultMsg, 999)); },
                       [](core::TBrivakSettings& s, int v) { s.Messages.secsBeforeDefaultMsg = static_cast<uint32_t>(v); }));
  secs->addWidget(new QLabel(QStringLiteral("seconds"), page));
  secs->addStretch(1);
  layout->addLayout(secs);

  auto* group = new QGroupBox(QStringLiteral("Preset Messages"), page);
  auto* v = new QVBoxLayout(group);
  auto* row = new QHBoxLayout;
  cboPresetMsgs_ = new QComboBox(group);
  cboPresetMsgs_->setObjectName(QStringLiteral("cboPresetMsgs"));
  cboPresetMsgs_->setEditable(false);
  row->addWidget(cboPresetMsgs_, 1);
  auto* add = ListButton(QStringLiteral("&Add Preset"), group, "btnAddPresetMsg");
  auto* del = ListButton(QStringLiteral("&Delete Preset"), group, "btnDelPresetMsg");
  auto* use = ListButton(QStringLiteral("&Use as Default"), group, "btnUseAsDefaultMsg");
  for (QPushButton* b : {add, del, use}) row->addWidget(b);
  v->addLayout(row);
  memPresetMsg_ = new QPlainTextEdit(group);
  memPresetMsg_->setObjectName(QStringLiteral("memPresetMsg"));
  memPresetMsg_->setMaximumHeight(80);
  v->addWidget(memPresetMsg_);
  layout->addWidget(group);
  layout->addStretch(1);

  connect(cboPresetMsgs_, &QComboBox::activated, this, &TfrmOptions::cboPresetMsgsChange);
  connect(memPresetMsg_, &QPlainTextEdit::textChanged, this, &TfrmOptions::memPresetMsgChange);
  connect(add, &QPushButton::clicked, this, &TfrmOptions::btnAddPresetMsgClick);
  connect(del, &QPushButton::clicked, this, &TfrmOptions::btnDelPresetMsgClick);
  connect(use, &QPushButton::clicked, this, &TfrmOptions::btnUseAsDefaultMsgClick);
  return page;
}

void TfrmOptions::PopulateAwayMessages() {
  auto& log = ports_.log;
  log.Debug("PopulateAwayMessages");
  cboPresetMsgs_->clear();
  log.Debug("cleared combo presets");
  log.Debug(std::to_string(presets_.size()) + "away messages");
  for (const std::string& line : presets_) cboPresetMsgs_->addItem(Q(core::PresetName(line)));
  log.Debug("Loop complete.");
}

void TfrmOptions::cboPresetMsgsChange() {
  fillingPreset_ = true;
  memPresetMsg_->setPlainText(Q(core::PresetText(presets_, S(cboPresetMsgs_->currentText()))));
  fillingPreset_ = false;
}

void TfrmOptions::memPresetMsgChange() {
  if (fillingPreset_ || cboPresetMsgs_->currentIndex() < 0) return;
  const std::string name = S(cboPresetMsgs_->currentText());
  const std::string text = S(memPresetMsg_->toPlainText());
  if (!core::PresetTextAcceptable(text)) {
    // A line break would split the preset's line in the stored list.
    questions_.message(this, QStringLiteral("Brivak"), QStringLiteral("A preset message must be one line."));
    cboPresetMsgsChange();
    memPresetMsg_->moveCursor(QTextCursor::End);
    return;
  }
  core::SetPresetText(presets_, name, text);
}

void TfrmOptions::btnAddPresetMsgClick() {
  const auto name = questions_.input(this, QStringLiteral("New Preset Message"),
                                     QStringLiteral("Enter the name of this new preset message"), QString());
  if (name) core::AddPreset(presets_, S(*name));
  PopulateAwayMessages();
  cboPresetMsgs_->setCurrentIndex(cboPresetMsgs_->count() - 1);
  cboPresetMsgsChange();
  memPresetMsg_->selectAll();
  memPresetMsg_->setFocus();
}

void TfrmOptions::btnDelPresetMsgClick() {
  const int index = cboPresetMsgs_->currentIndex();
  if (index < 0 || index >= static_cast<int>(presets_.size())) return;
  if (!questions_.confirm(this, QStringLiteral("Confirm"),
                          QStringLiteral("Are you sure you want to delete preset message \"") +
                              cboPresetMsgs_->currentText() + QStringLiteral("\" ?"))) {
    return;
  }
  presets_.erase(presets_.begin() + index);
  PopulateAwayMessages();
  cboPresetMsgs_->setCurrentIndex(cboPresetMsgs_->count() - 1);
  cboPresetMsgsChange();
}

void TfrmOptions::btnUseAsDefaultMsgClick() {
  memDefaultAwayMessage_->setPlainText(memPresetMsg_->toPlainText());
  memDefaultAwayMessage_->setFocus();
}

}  // namespace brivak::ui
