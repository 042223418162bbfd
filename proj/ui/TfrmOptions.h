// `TfrmOptions` ("Options", heading "Brivak Options"): the navigation tree, the notebook of pages
// whose controls map onto the settings, the accounts page and the three list pages (layouts, screen
// savers, away-message presets).
//
// The dialog edits a copy of the settings: OK validates first (multi-user mode needs an Admin
// account) and only then hands the copy to the owner, which applies and saves it; Cancel leaves the
// settings exactly as they were, also what the list pages chose (current layout, presets, default
// saver). What acts on files acts at once, as the user sees it happen: the user buttons write the
// user list, Delete and Copy to New change layout files, Remove changes screensavers.dat.
// Made for one modal showing; GUI thread only.
#pragma once

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/LogSink.h"
#include "common/UserList.h"
#include "proj/core/BrivakSettings.h"
#include "proj/core/OptionsLists.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFontComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace brivak::ui {

// What the dialog asks the person; tests answer instead of modal boxes.
struct OptionsQuestions {
  std::function<void(QWidget* over, const QString& title, const QString& text)> message;
  std::function<bool(QWidget* over, const QString& title, const QString& text)> confirm;  // OK/Cancel
  std::function<std::optional<QString>(QWidget* over, const QString& title, const QString& prompt,
                                       const QString& initial)> input;
};
OptionsQuestions StandardOptionsQuestions();

struct OptionsPorts {
  const core::TBrivakSettings& settings;  // copied when the dialog is made
  UserList& users;                        // written at once by the user buttons
  LogSink& log;
  std::string appPath;  // ending in "/"
  std::string appData;  // ending in "/"
  std::string theLocalIP;
  std::string theLocalHost;
  // Applies and saves the edited copy; returns an error text when it could not be saved.
  std::function<std::string(const core::TBrivakSettings& edited)> apply;
  // Opens a file with the desktop's default program (xdg-open); true when started.
  std::function<bool(const std::string& path)> open;
  // Starts a program (argument list) in a folder; true when started.
  std::function<bool(const std::vector<std::string>& argv, const std::string& folder)> start;
  // "Change Brivak Password": the change-password dialog over `over`.
  std::function<void(QWidget* over)> changePassword;
  // "View Server Status": the remote commands this run served, newest last.
  std::function<std::vector<std::string>()> recentCommands;
};

class TfrmOptions : public QDialog {
  Q_OBJECT

 public:
  // `FormCreate`: builds every page, fills the lists and the address labels.
  explicit TfrmOptions(OptionsPorts ports, QWidget* parent = nullptr,
                       OptionsQuestions questions = StandardOptionsQuestions());
  ~TfrmOptions() override;

  void SettingsToControls();
  void ControlsToSettings();
  // The edited copy (what OK would apply).
  const core::TBrivakSettings& Draft() const { return draft_; }
  std::vector<std::string> Presets() const { return presets_; }

  // Buttons and commands, also for tests.
  void btnOKClick();
  void ShowPage(int page);
  int CurrentPage() const;
  QTreeWidget* Tree() const { return tv_; }
  QStackedWidget* Notebook() const { return nb_; }
  QWidget* Page(int page) const;
  // Every page number of the tree, in tree order, with its entry text.
  std::vector<std::pair<QString, int>> TreeEntries() const;

  // Layout page.
  void ListLayoutKind(bool html);
  const std::vector<core::LayoutRow>& LayoutRows() const { return layouts_; }
  void SelectLayoutRow(int row);
  void btnSetAsLayoutClick();
  void btnEditNowClick();
  void btnCopyClick();
  void btnDeleteClick();
  // Screen-saver page.
  void PopulateScreenSavers();
  void SelectDefaultSaver();
  void sslvClick();
  void btnSSconfigClick();
  void btnSSpreviewClick();
  void tbSSremoveClick();
  void btnSSrescanClick();
  // Away-message page.
  void PopulateAwayMessages();
  void cboPresetMsgsChange();
  void memPresetMsgChange();
  void btnAddPresetMsgClick();
  void btnDelPresetMsgClick();
  void btnUseAsDefaultMsgClick();
  // Accounts page.
  void LoadUserList();
  void btnAddUserClick();
  void btnEditUserClick();
  void btnDeleteUserClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  // How a control maps onto its setting.
  struct CheckBinding {
    QCheckBox* box;
    bool& (*field)(core::TBrivakSettings&);
  };
  struct SpinBinding {
    QSpinBox* box;
    std::function<int(const core::TBrivakSettings&)> get;
    std::function<void(core::TBrivakSettings&, int)> set;
  };
  struct TextBinding {
    QLineEdit* line;      // one of the two
    QPlainTextEdit* memo;
    std::string& (*field)(core::TBrivakSettings&);
  };
  QWidget* BuildGeneral();
  QWidget* BuildSecurity();
  QWidget* BuildAccounts();
  QWidget* BuildLayouts();
  QWidget* BuildNetwork();
  QWidget* BuildAwayMessage();
  QWidget* BuildScreenSavers();
  QWidget* BuildLogging();
  QWidget* BuildNotes();
  QWidget* BuildBrivakBar();
  QWidget* BuildRemoteNotify();
  QWidget* BuildAdvanced();
  QWidget* BuildDeployment();
  QWidget* BuildLocation();
  QCheckBox* Check(QWidget* parent, const char* name, const char* caption, bool& (*field)(core::TBrivakSettings&));
  QSpinBox* Spin(QWidget* parent, const char* name, int min, int max, int step,
                 std::function<int(const core::TBrivakSettings&)> get,
                 std::function<void(core::TBrivakSettings&, int)> set);
  // A list index read from the settings: out of range gives `fallback` and a console line.
  int ReadIndex(QComboBox* box, int value, int fallback, const char* key);
  void UpdateHotKey();
  void MultiUserRule();
  void UnlockMethodChosen(int index);
  void UpdatesChosen(int index);
  void ShowServerStatus();
  void FilterKeys(QWidget* editor, const QString& allowed);

  OptionsPorts ports_;
  OptionsQuestions questions_;
  core::TBrivakSettings draft_;
  std::vector<std::string> presets_;
  std::vector<CheckBinding> checks_;
  std::vector<SpinBinding> spins_;
  std::vector<TextBinding> texts_;
  std::vector<std::pair<QWidget*, QString>> keyFilters_;
  std::vector<core::LayoutRow> layouts_;
  std::vector<core::SaverRow> savers_;
  std::vector<UserRow> users_;

  QTreeWidget* tv_ = nullptr;
  QStackedWidget* nb_ = nullptr;
  std::vector<QWidget*> pages_;
  QLabel* lblMyIP_ = nullptr;
  QLabel* lblMyHostname_ = nullptr;
  QPushButton* btnOK_ = nullptr;
  QPushButton* btnCancel_ = nullptr;
  QLabel* lblHelp_ = nullptr;
  // General
  QComboBox* cboKey_ = nullptr;
  QLabel* lblHotkey_ = nullptr;
  QComboBox* cboUpdates_ = nullptr;
  QCheckBox* chkCheckForUpdates_ = nullptr;  // hidden
  QCheckBox* chkBetaVersions_ = nullptr;     // hidden
  QComboBox* cboStartupMode_ = nullptr;
  // Security
  QComboBox* cboUnlockMechanism_ = nullptr;
  QStackedWidget* pgUnlockMech_ = nullptr;
  // Accounts
  QCheckBox* chkMultiUser_ = nullptr;
  QTreeWidget* usersLV_ = nullptr;
  QPushButton* btnAddUser_ = nullptr;
  QPushButton* btnEditUser_ = nullptr;
  QPushButton* btnDeleteUser_ = nullptr;
  QGroupBox* grpUserRights_ = nullptr;
  // Layouts
  QRadioButton* radLayoutNormal_ = nullptr;
  QRadioButton* radLayoutHTML_ = nullptr;
  QTreeWidget* lvLayouts_ = nullptr;
  // Network
  QCheckBox* chkAllowRemote_ = nullptr;
  QPlainTextEdit* memAllowedRemoteIPs_ = nullptr;
  // Away message
  QPlainTextEdit* memDefaultAwayMessage_ = nullptr;
  QComboBox* cboPresetMsgs_ = nullptr;
  QPlainTextEdit* memPresetMsg_ = nullptr;
  bool fillingPreset_ = false;
  // Screen savers
  QTreeWidget* sslv_ = nullptr;
  QLabel* lblDefaultSaver_ = nullptr;
  QPushButton* btnSSconfig_ = nullptr;
  QPushButton* btnSSpreview_ = nullptr;
  QPushButton* tbSSremove_ = nullptr;
  QPushButton* btnSSedit_ = nullptr;
  // Notes
  QCheckBox* chkEmailNotes_ = nullptr;
  QLineEdit* edNotesEmail_ = nullptr;
  // BrivakBar
  QPushButton* tbBrivakBarColor_ = nullptr;
  QFontComboBox* cboBrivakBarFont_ = nullptr;
  QComboBox* cboBrivakBarFontSize_ = nullptr;
  QPushButton* tbBrivakBarFontColor_ = nullptr;
  QToolButton* tbBrivakBarFontBold_ = nullptr;
  QString barColorText_;   // [BrivakBar] color as stored, until a colour is chosen
  QString fontColorText_;  // the font's colour as stored, until a colour is chosen
  // Deployment, Location
  QLineEdit* edtMasterIP2_ = nullptr;
};

}  // namespace brivak::ui
