#include "manager/app/ManagerService.h"

#include <gtest/gtest.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/udp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <atomic>
#include <future>
#include <thread>

#include "ServiceTestSupport.h"
#include "unit/managernet/ManagerNetSupport.h"

namespace brivak::manager::apptest {
namespace {

using manager::nettest::HoldingServer;

// A locker's replies as they travel: a page, a status-only text, the empty "OK".
std::string PageReply(const std::string& text) {
  const std::string body = "<HTML><BODY><B>200 " + text + "</B></BODY></HTML>\r\n";
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}
std::string StatusOnlyReply(const std::string& text) {
  return "HTTP/1.1 200 " + text + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}
const std::string kOkReply = PageReply("locked");

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  for (const auto& line : lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

TEST(ManagerServiceTest, GroupCommandGoesOnPastAnOfflineMachineAndReportsEachFailure) {
  HoldingServer locker;  // 127.0.0.1 only: the same port on 127.0.0.2 refuses
  locker.Release(kOkReply);
  std::vector<app::CommandReport> reports;
  std::optional<OutcomeCounts> counts;
  ManagerObservers observers;
  observers.commandResult = [&](const app::CommandReport& r) { reports.push_back(r); };
  observers.commandFinished = [&](std::uint64_t, const OutcomeCounts& c) { counts = c; };
  ServiceFixture f(locker.Port(), observers);
  ASSERT_TRUE(f.service->Start());

  const auto id = f.service->SendCommand(
      std::vector<app::CommandTarget>{{"PC1", "127.0.0.1"}, {"OFF", "127.0.0.2"}, {"PC3", "127.0.0.1"}}, LockCommand());
  ASSERT_TRUE(f.ui.RunUntil([&] { return counts.has_value(); }));
  EXPECT_EQ(CountsText(*counts), "2 done, 0 refused, 1 failed");
  ASSERT_EQ(reports.size(), 3u);
  std::map<std::string, int> okByName;
  for (const auto& r : reports) {
    EXPECT_EQ(r.requestId, id);
    EXPECT_EQ(r.command, "lock");
    okByName[r.target.computerName] += r.ok ? 1 : 0;
    if (r.target.computerName == "OFF") {
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.outcome.outcome, Outcome::Failed);
      EXPECT_NE(r.outcome.text.find("(127.0.0.2)"), std::string::npos) << r.outcome.text;
    } else {
      EXPECT_TRUE(r.ok) << r.outcome.text;
      EXPECT_EQ(r.outcome.text, "locked");
    }
  }
  EXPECT_EQ(okByName["PC1"] + okByName["PC3"], 2);
  const auto lines = f.service->LogLines();
  EXPECT_TRUE(Contains(lines, "Get http://127.0.0.2:8777/lock?s_username=admin&s_password=*******&params="));
  EXPECT_TRUE(Contains(lines, "lock PC1 (127.0.0.1): done: locked"));
  EXPECT_FALSE(Contains(lines, "pw123"));
  f.service->Stop();
}

// A locker that refuses answers 200 all the same: the report says refused, with its own text.
TEST(ManagerServiceTest, RefusalOfTheCredentialsIsReportedAsRefusedNotDone) {
  HoldingServer locker;
  locker.Release(StatusOnlyReply("cant lock, not authenticated"));
  std::vector<app::CommandReport> reports;
  std::optional<OutcomeCounts> counts;
  ManagerObservers observers;
  observers.commandResult = [&](const app::CommandReport& r) { reports.push_back(r); };
  observers.commandFinished = [&](std::uint64_t, const OutcomeCounts& c) { counts = c; };
  ServiceFixture f(locker.Port(), observers);
  ASSERT_TRUE(f.service->Start());
  f.service->SendCommand(std::vector<app::CommandTarget>{{"PC1", "127.0.0.1"}, {"OFF", "127.0.0.2"}}, LockCommand());
  ASSERT_TRUE(f.ui.RunUntil([&] { return counts.has_value(); }));
  EXPECT_EQ(CountsText(*counts), "0 done, 1 refused, 1 failed");
  ASSERT_EQ(reports.size(), 2u);
  for (const auto& r : reports) {
    if (r.target.computerName != "PC1") continue;
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.outcome.outcome, Outcome::Refused);
    EXPECT_EQ(r.outcome.text, "cant lock, not authenticated");
  }
  EXPECT_TRUE(Contains(f.service->LogLines(), "lock PC1 (127.0.0.1): refused: cant lock, not authenticated"));
  const WebCommandResult web = f.service->SendCommand("127.0.0.1", "lock", "");
  EXPECT_EQ(web.outcome, Outcome::Refused);
  EXPECT_EQ(web.text, "cant lock, not authenticated");
}

// The empty "OK" of "runupdatescript" is checked with a "/query": an empty "OK" to that as well
// is the address filter.
TEST(ManagerServiceTest, EmptyOkThatMayBeAllowedIsCheckedWithAQueryOfTheSameLocker) {
  HoldingServer locker;
  locker.Release(StatusOnlyReply("OK"));
  std::vector<app::CommandReport> reports;
  ManagerObservers observers;
  observers.commandResult = [&](const app::CommandReport& r) { reports.push_back(r); };
  ServiceFixture f(locker.Port(), observers);
  ASSERT_TRUE(f.service->Start());
  f.service->SendCommand(std::vector<app::CommandTarget>{{"PC1", "127.0.0.1"}}, RunUpdateScriptCommand(true));
  ASSERT_TRUE(f.ui.RunUntil([&] { return !reports.empty(); }));
  EXPECT_EQ(reports[0].outcome.outcome, Outcome::Refused);
  EXPECT_EQ(reports[0].outcome.refusal, Refusal::AddressFilter);
  EXPECT_TRUE(locker.WaitForAccepted(2));  // the command and the check
  const WebCommandResult web = f.service->SendCommand("127.0.0.1", "runupdatescript", "flags=hidden");
  EXPECT_EQ(web.outcome, Outcome::Refused);
  EXPECT_TRUE(locker.WaitForAccepted(4));
}

TEST(ManagerServiceTest, StopDuringRunningRequestsReturnsAtOnceAndReportsNothingAfterwards) {
  HoldingServer locker;  // never answers
  int observed = 0;
  ManagerObservers observers;
  observers.commandResult = [&](const app::CommandReport&) { ++observed; };
  observers.commandFinished = [&](std::uint64_t, const OutcomeCounts&) { ++observed; };
  ServiceFixture f(locker.Port(), observers);
  ASSERT_TRUE(f.service->Start());

  std::vector<app::CommandTarget> targets(4, app::CommandTarget{"PC", "127.0.0.1"});
  f.service->SendCommand(targets, UnlockCommand());
  bool fetched = false;
  f.service->GetUserList("127.0.0.1", [&](const FetchResult<IniDocument>&) { fetched = true; });
  f.service->GetLog("127.0.0.1", CalendarDate{2026, 1, 2}, [&](const FetchResult<std::string>&) { fetched = true; });
  // The web interface's blocking send, on a thread of its own.
  auto web = std::async(std::launch::async, [&] { return f.service->SendCommand("127.0.0.1", "lock", ""); });
  ASSERT_TRUE(locker.WaitForOpen(7));
  const auto range = f.service->StartRangeScan("127.0.0.1", "127.0.0.9");
  EXPECT_TRUE(range.started) << range.error;

  const auto before = std::chrono::steady_clock::now();
  f.service->Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
  ASSERT_EQ(web.wait_for(5s), std::future_status::ready);
  const WebCommandResult result = web.get();
  EXPECT_EQ(result.outcome, Outcome::Failed);
  EXPECT_FALSE(f.service->RangeScanRunning());
  EXPECT_TRUE(locker.WaitForOpen(0));  // every connection was closed, none left waiting

  f.ui.Drain();
  EXPECT_EQ(observed, 0);
  EXPECT_FALSE(fetched);
  // Calls after Stop are refused quietly.
  EXPECT_EQ(f.service->StartDiscovery(), Discovery::StartResult::SendFailed);
  EXPECT_EQ(f.service->SendCommand("127.0.0.1", "lock", "").outcome, Outcome::Failed);
}

// WakeOnLan and EventPort may run on another thread while Stop takes the endpoints away (the
// sanitizers see any use of a destroyed one).
TEST(ManagerServiceTest, WakeOnLanAndEventPortDuringStopSeeTheEndpointsOrNothing) {
  ServiceFixture f(1);
  ASSERT_TRUE(f.service->Start());
  std::atomic<bool> stopped{false};
  std::atomic<int> calls{0};
  std::thread caller([&] {
    for (int i = 0; i < 200000 && !stopped; ++i) {
      f.service->WakeOnLan("001122334455");
      f.service->EventPort();
      ++calls;
    }
  });
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (calls < 10 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_GE(calls, 10);
  f.service->Stop();
  stopped = true;
  caller.join();
  EXPECT_EQ(f.service->WakeOnLan("001122334455"), "There was an error");
  EXPECT_EQ(f.service->EventPort(), 0);
}

// A locker that accepts the status query and never answers gives its slot back after the scan
// time-out, not after the long read time-out of commands.
TEST(ManagerServiceTest, AStatusQueryThatIsNeverAnsweredEndsAfterTheScanTimeout) {
  HoldingServer locker;  // never answers
  ServiceFixture f(1, {}, [](TmanagerSettings& s) { s.scantimeout = 300; }, locker.Port());
  ASSERT_TRUE(f.service->Start());
  f.service->Requery("127.0.0.1");
  ASSERT_TRUE(locker.WaitForOpen(1));
  const auto before = std::chrono::steady_clock::now();
  // The manager closes the connection when it gives up: wait for that, with a deadline.
  EXPECT_TRUE(locker.WaitForOpen(0, 5s));
  EXPECT_LT(std::chrono::steady_clock::now() - before, 3s);  // the read time-out here is 30 s
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (f.service->LookupsInFlight() != 0 && std::chrono::steady_clock::now() < deadline) f.ui.RunUntil([] { return false; }, 20ms);
  EXPECT_EQ(f.service->LookupsInFlight(), 0u);
}

TEST(ManagerServiceTest, DestroyingTheServiceWhileADiscoveryListensNeitherHangsNorCrashes) {
  ServiceFixture f(1, {}, [](TmanagerSettings& s) { s.udptimeout = 60000; });
  ASSERT_TRUE(f.service->Start());
  EXPECT_EQ(f.service->StartDiscovery(), Discovery::StartResult::Started);
  EXPECT_TRUE(f.service->DiscoveryRunning());
  EXPECT_EQ(f.service->StartDiscovery(), Discovery::StartResult::AlreadyRunning);
  const auto before = std::chrono::steady_clock::now();
  f.service.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
}

TEST(ManagerServiceTest, EventDatagramBecomesOneLogLineAndAnEvent) {
  std::vector<std::string> events;
  ManagerObservers observers;
  observers.eventReceived = [&](const std::string& line) { events.push_back(line); };
  ServiceFixture f(1, observers);
  ASSERT_TRUE(f.service->Start());
  ASSERT_NE(f.service->EventPort(), 0);

  boost::asio::io_context io;
  boost::asio::ip::udp::socket sender(io, boost::asio::ip::udp::endpoint(boost::asio::ip::make_address_v4("127.0.0.1"), 0));
  const std::string datagram = "/se:Incorrect password\r\nentered";
  sender.send_to(boost::asio::buffer(datagram),
                 boost::asio::ip::udp::endpoint(boost::asio::ip::make_address_v4("127.0.0.1"), f.service->EventPort()));
  ASSERT_TRUE(f.ui.RunUntil([&] { return !events.empty(); }));
  const std::string expected = "UDP: Security Event: From 127.0.0.1:" + std::to_string(sender.local_endpoint().port()) +
                               " : Incorrect password  entered";
  EXPECT_EQ(events.front(), expected);
  EXPECT_TRUE(Contains(f.service->LogLines(), expected));
}

TEST(ManagerServiceTest, WebServerFollowsTheSettingsAndAsksForALogin) {
  std::vector<std::uint16_t> ports;
  ManagerObservers observers;
  observers.webServerChanged = [&](std::uint16_t port, const std::string&) { ports.push_back(port); };
  ServiceFixture f(1, observers, [](TmanagerSettings& s) {
    s.enablewebserver = true;
    s.webserverport = 0;  // any free port
  });
  ASSERT_TRUE(f.service->Start());
  const std::uint16_t port = f.service->WebServerPort();
  ASSERT_NE(port, 0);

  boost::asio::io_context io;
  boost::asio::ip::tcp::socket socket(io);
  socket.connect({boost::asio::ip::make_address_v4("127.0.0.1"), port});
  boost::asio::write(socket, boost::asio::buffer(std::string("GET /manager HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")));
  std::string reply;
  boost::system::error_code ec;
  std::array<char, 4096> buffer{};
  for (std::size_t n; (n = socket.read_some(boost::asio::buffer(buffer), ec)) > 0 || !ec;) reply.append(buffer.data(), n);
  EXPECT_EQ(reply.rfind("HTTP/1.1 401", 0), 0u) << reply;
  EXPECT_NE(reply.find("Brivak Mobile Manager"), std::string::npos);

  TmanagerSettings off = f.service->Settings();
  off.enablewebserver = false;
  f.service->ApplySettings(off);
  EXPECT_EQ(f.service->WebServerPort(), 0);
  ASSERT_TRUE(f.ui.RunUntil([&] { return ports.size() == 2; }));
  EXPECT_EQ(ports, (std::vector<std::uint16_t>{port, 0}));
}

TEST(ManagerServiceTest, RemoteDesktopStartsAnArgumentListOrSaysNoClientIsInstalled) {
  ServiceFixture f(1);
  ASSERT_TRUE(f.service->Start());
  const auto started = f.service->RemoteDesktop("127.0.0.7", RemoteDesktopMode::FullScreen);
  EXPECT_TRUE(started.started);
  ASSERT_EQ(f.processes.Calls().size(), 1u);
  EXPECT_EQ(f.processes.Calls()[0].argv.front(), "xfreerdp");
  EXPECT_EQ(f.processes.Calls()[0].argv, started.argv);

  f.processes.SetResult(false);
  const auto failed = f.service->RemoteDesktop("127.0.0.7", RemoteDesktopMode::Console);
  EXPECT_FALSE(failed.started);
  EXPECT_EQ(failed.message, "Could not start xfreerdp.");
}

TEST(ManagerServiceTest, PutUserListRefusesAListWithoutAnAdmin) {
  ServiceFixture f(1);
  IniDocument noAdmin;
  noAdmin.Write("guest", "Password", "x");
  noAdmin.WriteInteger("guest", "Permissions", kLevelUnlock);
  EXPECT_FALSE(f.service->PutUserList(noAdmin).ok);
  EXPECT_TRUE(f.users.Load().SectionExists("admin"));

  IniDocument withAdmin = noAdmin;
  withAdmin.Write("boss", "Password", "y");
  withAdmin.WriteInteger("boss", "Permissions", kLevelAdmin);
  EXPECT_TRUE(f.service->PutUserList(withAdmin).ok);
  EXPECT_TRUE(f.users.Load().SectionExists("boss"));
}

}  // namespace
}  // namespace brivak::manager::apptest
