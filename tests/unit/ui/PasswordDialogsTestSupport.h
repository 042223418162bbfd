// A password context over a temporary data folder, an in-memory registry form and recording
// writers, for the dialog tests.
#pragma once

#include <QString>

#include <string>
#include <vector>

#include "common/UserList.h"
#include "platform/fake/MemoryRegistryStore.h"
#include "proj/core/BrivakSettings.h"
#include "proj/core/RemoteEvents.h"
#include "proj/ui/PasswordDialogWidgets.h"
#include "support/TempDir.h"
#include "unit/common/RecordingLogSink.h"
#include "support/Disk.h"

namespace brivak::ui::test {

class RecordingDatagramPort : public core::DatagramPort {
 public:
  void SendDatagram(const std::string& masterIP, const std::string& bytes) override {
    sent.push_back(masterIP + " " + bytes);
  }
  std::vector<std::string> sent;
};

struct ShownMessage {
  MessageIcon icon;
  std::string title;
  std::string text;
};

class PasswordFixture {
 public:
  PasswordFixture() {
    settings.Security.masterIP = "127.0.0.1";
    settings.Security.ReportSecurityEvents = true;
  }

  // Records message boxes instead of showing them.
  MessageFunction Messages() {
    return [this](QWidget*, MessageIcon icon, const QString& title, const QString& text) {
      messages.push_back({icon, title.toStdString(), text.toStdString()});
    };
  }
  std::string IniHash() const {
    return IniFile(brivak::test::Disk(), settings.SettingsFile())
        .Load()
        .ReadString("Security", "passwordHash", "<none>");
  }
  std::string RegistryHash() const {
    return registry.Snapshot().ReadString("Brivak 3.0\\Security", "passwordHash", "<none>");
  }

  brivak::test::TempDir dir;
  platform::MemoryRegistryStore registry;
  brivak::test::RecordingLogSink log;
  core::TBrivakSettings settings{core::SettingsContext{registry, brivak::test::Disk(), log, dir.Folder(),
                                                       dir.Folder(), "127.0.0.1", "/sys"}};
  UserList users{brivak::test::Disk(), dir / "userlist.dat"};
  RecordingDatagramPort port;
  core::EventReporter events{log, port};
  int exitRequests = 0;
  PasswordContext context{settings, users, log, events, false, [] { return std::int64_t{42}; }, {},
                          [this] { ++exitRequests; }};
  std::vector<ShownMessage> messages;
};

}  // namespace brivak::ui::test
