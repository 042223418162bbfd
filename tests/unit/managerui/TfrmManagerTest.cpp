// The main window over a real controller on loopback: it shows the controller's log, saves the
// settings it is given, and closes at once while a command waits on a silent locker.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStatusBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/UserList.h"
#include "manager/app/ManagerService.h"
#include "manager/core/ManagerSettings.h"
#include "manager/ui/ComputerListView.h"
#include "manager/ui/LogPanelWidget.h"
#include "manager/ui/OptionsPage.h"
#include "manager/ui/TfrmManager.h"
#include "platform/fake/MemoryRegistryStore.h"
#include "platform/fake/RecordingProcesses.h"
#include "platform/linux/LinuxClock.h"
#include "tests/support/TempDir.h"
#include "support/Disk.h"

namespace brivak::manager {
namespace {

using namespace std::chrono_literals;

// Runs the event loop until `done` holds or the deadline passes; returns `done()`.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 5000ms) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return done();
}

// A TCP port on 127.0.0.1 whose connections are taken by the kernel and never answered: a locker
// that hangs.
class SilentListener {
 public:
  SilentListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 16) != 0) {
      throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    socklen_t length = sizeof address;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~SilentListener() { ::close(fd_); }
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// A locker on 127.0.0.1 that answers every connection with its status record, on a thread of its
// own, until destroyed.
class QueryAnsweringLocker {
 public:
  explicit QueryAnsweringLocker(std::string name) {
    const std::string record = "<computername>" + name + "</computername>\r<internalip>127.0.0.1</internalip>\r"
                               "<status>Unlocked</status>\r<uptime>42</uptime>";
    const std::string body = "<HTML><BODY><B>200 " + record + "</B></BODY></HTML>\r\n";
    reply_ = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 16) != 0) {
      throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    socklen_t length = sizeof address;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
      for (;;) {
        const int client = ::accept(fd_, nullptr, nullptr);
        if (client < 0) return;  // shut down
        char request[4096];
        [[maybe_unused]] const ssize_t n = ::recv(client, request, sizeof request, 0);
        [[maybe_unused]] const ssize_t sent = ::send(client, reply_.data(), reply_.size(), MSG_NOSIGNAL);
        ::close(client);
      }
    });
  }
  ~QueryAnsweringLocker() {
    ::shutdown(fd_, SHUT_RDWR);
    thread_.join();
    ::close(fd_);
  }
  int Port() const { return port_; }

 private:
  std::string reply_;
  int fd_ = -1;
  int port_ = 0;
  std::thread thread_;
};

class TfrmManagerTest : public ::testing::Test {
 protected:
  TfrmManagerTest() : users_(brivak::test::Disk(), dir_.File("userlist.dat")) {
    users_.AddUser("administrator", "secret", kLevelAdmin);
    registry_.Modify([](IniDocument& doc) {
      const std::string section(kManagerSettingsSection);
      doc.Write(section, "autorefresh", "0");
      doc.Write(section, "broadcastip", "127.0.0.1");
      doc.Write(section, "wolip", "127.0.0.1");
      doc.Write(section, "startip", "127.0.0.2");
      doc.Write(section, "endip", "127.0.0.3");
    });
  }

  std::unique_ptr<TfrmManager> MakeWindow(int lockerPort, int statusPort = 8777) {
    app::ManagerServiceOptions options;
    options.credentials = {"administrator", "secret"};
    options.theLocalIP = "127.0.0.1";
    options.computerName = "station";
    options.programDir = dir_.Folder();
    options.bindAddress = "127.0.0.1";
    options.eventPort = 0;
    options.listenForEvents = false;
    options.lockerPort = lockerPort;
    options.statusPort = statusPort;
    options.readTimeout = 30s;  // far longer than the test may take: only Stop can end the wait
    options.discoverOnStart = false;
    return std::make_unique<TfrmManager>(
        TfrmManagerDeps{registry_, processes_, users_, dir_.Folder()},
        [this, options](app::ManagerObservers observers, app::UiPost post) {
          return std::make_unique<app::ManagerService>(
              app::ManagerServiceDeps{clock_, registry_, processes_, users_, std::move(post), {}}, options,
              std::move(observers));
        });
  }

  test::TempDir dir_;
  UserList users_;
  platform::MemoryRegistryStore registry_;
  platform::RecordingProcesses processes_;
  platform::LinuxClock clock_;
};

TEST_F(TfrmManagerTest, StartsWithTheCaptionSettingsAndTheControllersLog) {
  auto window = MakeWindow(8777);
  ASSERT_TRUE(window->Start().ok);
  EXPECT_EQ(window->windowTitle(), "Brivak Manager v0.51 Beta");
  EXPECT_EQ(window->Tabs()->tabText(window->Tabs()->currentIndex()), "Network");
  EXPECT_TRUE(WaitFor([&] { return window->Memo1()->toPlainText().contains("Brivak Manager v0.48 ready."); }));
  EXPECT_EQ(window->Options()->edBroadcastIP()->text(), "127.0.0.1");
  EXPECT_FALSE(window->Options()->chkAutoRefresh()->isChecked());
  EXPECT_EQ(window->lv()->model()->rowCount(), 0);
  EXPECT_FALSE(window->tbLock()->isEnabled());  // no row selected
  window->close();
}

TEST_F(TfrmManagerTest, SaveAndApplyStoresTheControlsValues) {
  auto window = MakeWindow(8777);
  ASSERT_TRUE(window->Start().ok);
  OptionsPage* options = window->Options();
  options->chkHideUpdate()->setChecked(false);
  options->spinUDPtimeout()->setValue(1200);
  options->txtWSport()->setText("9099");
  options->edWolIP()->setText("127.0.0.9");
  window->SaveAndApply();
  StoredManagerSettings stored = LoadSettings(registry_);
  EXPECT_FALSE(stored.settings.hideupdate);
  EXPECT_EQ(stored.settings.udptimeout, 1200);
  EXPECT_EQ(stored.settings.webserverport, 9099);
  EXPECT_EQ(stored.settings.wolip, "127.0.0.9");
  EXPECT_EQ(stored.settings.startip, "127.0.0.2");  // from the Network tab, unchanged

  options->txtWSport()->setText("");  // an empty port box keeps the stored port
  window->SaveAndApply();
  EXPECT_EQ(LoadSettings(registry_).settings.webserverport, 9099);
  window->close();
}

TEST_F(TfrmManagerTest, ClosingWhileACommandWaitsOnASilentLockerIsPrompt) {
  SilentListener locker;
  auto window = MakeWindow(locker.Port());
  ASSERT_TRUE(window->Start().ok);
  window->Service().SendCommand(std::vector<app::CommandTarget>{{"PC-1", "127.0.0.1"}, {"PC-2", "127.0.0.1"}},
                                LockCommand());
  EXPECT_TRUE(WaitFor([&] { return window->Memo1()->toPlainText().contains("Get http://127.0.0.1:"); }));
  ASSERT_FALSE(window->Service().Stopped());

  const auto before = std::chrono::steady_clock::now();
  window->close();
  EXPECT_TRUE(window->Service().Stopped());
  window.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
  // Whatever was still queued for the window is dropped with it.
  QCoreApplication::processEvents();
  // The settings were saved on close.
  EXPECT_TRUE(registry_.Snapshot().SectionExists(kManagerSettingsSection));
}

// The window refuses to close while a discovery listens, and says why; afterwards it closes.
TEST_F(TfrmManagerTest, ClosingDuringADiscoveryIsRefusedWithAMessage) {
  registry_.Modify([](IniDocument& doc) { doc.Write(std::string(kManagerSettingsSection), "udptimeout", "60000"); });
  auto window = MakeWindow(8777);
  ASSERT_TRUE(window->Start().ok);
  ASSERT_EQ(window->Service().StartDiscovery(), Discovery::StartResult::Started);
  EXPECT_FALSE(window->close());
  EXPECT_FALSE(window->Service().Stopped());
  EXPECT_TRUE(window->statusBar()->currentMessage().contains("discovery is running"));
  window->Service().Stop();  // ends the discovery
  EXPECT_TRUE(window->close());
}

TEST_F(TfrmManagerTest, ClickOnTheManualScanBoxSetsTheLogPanelTo160Pixels) {
  auto window = MakeWindow(8777);
  ASSERT_TRUE(window->Start().ok);
  window->show();
  ASSERT_NE(window->ManualScanBox(), nullptr);
  EXPECT_NE(window->LogPanelHeight(), 160);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(window->ManualScanBox(), &press);
  EXPECT_EQ(window->LogPanelHeight(), 160);
  window->close();
}

// Each status reply touches its own row only: no reset, one dataChanged on that row.
TEST_F(TfrmManagerTest, AStatusReplyUpdatesItsOwnRowWithOneDataChanged) {
  QueryAnsweringLocker locker("PC-ROW");
  auto window = MakeWindow(8777, locker.Port());
  ASSERT_TRUE(window->Start().ok);
  QAbstractItemModel* model = window->lv()->model();
  int resets = 0;
  int inserted = 0;
  std::vector<std::pair<QModelIndex, QModelIndex>> changed;
  QObject::connect(model, &QAbstractItemModel::modelReset, [&] { ++resets; });
  QObject::connect(model, &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
  QObject::connect(model, &QAbstractItemModel::dataChanged,
                   [&](const QModelIndex& from, const QModelIndex& to) { changed.emplace_back(from, to); });

  window->Service().Requery("127.0.0.1");
  ASSERT_TRUE(WaitFor([&] { return model->rowCount() == 1; }));
  EXPECT_EQ(inserted, 1);
  EXPECT_TRUE(changed.empty());

  window->Service().Requery("127.0.0.1");
  ASSERT_TRUE(WaitFor([&] { return !changed.empty(); }));
  QCoreApplication::processEvents();
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].first.row(), 0);
  EXPECT_EQ(changed[0].first.column(), 0);
  EXPECT_EQ(changed[0].second.row(), 0);
  EXPECT_EQ(changed[0].second.column(), kColumnCount - 1);
  EXPECT_EQ(resets, 0);
  EXPECT_EQ(inserted, 1);
  EXPECT_EQ(model->rowCount(), 1);
  EXPECT_EQ(model->index(0, 0).data().toString(), "PC-ROW");
  window->close();
}

}  // namespace
}  // namespace brivak::manager
