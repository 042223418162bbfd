#include "manager/core/WebInterface.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/UserList.h"
#include "manager/core/WebTemplates.h"
#include "support/TempDir.h"
#include "support/Disk.h"

namespace brivak::manager {
namespace {

using test::TempDir;

// Records what the handler asks of the manager. Thread-safe.
class FakePort : public WebManagerPort {
 public:
  struct Sent {
    std::string remoteIP;
    std::string command;
    std::string params;
    bool operator==(const Sent&) const = default;
  };

  std::vector<TComputer> Computers() override {
    std::lock_guard<std::mutex> guard(mutex_);
    return computers_;
  }
  WebCommandResult SendCommand(const std::string& remoteIP, const std::string& command,
                               const std::string& params) override {
    std::lock_guard<std::mutex> guard(mutex_);
    sent_.push_back({remoteIP, command, params});
    return commandResult_;
  }
  void StartQuery(const std::string& address) override {
    std::lock_guard<std::mutex> guard(mutex_);
    queries_.push_back(address);
  }
  bool HideUpdate() override { return hideUpdate_; }
  void AddToLog(std::string_view text) override {
    std::lock_guard<std::mutex> guard(mutex_);
    log_.emplace_back(text);
  }
  void DebugLine(std::string_view text) override {
    std::lock_guard<std::mutex> guard(mutex_);
    trace_.emplace_back(text);
  }

  void Add(TComputer computer) { computers_.push_back(std::move(computer)); }
  std::vector<Sent> sent() const { std::lock_guard<std::mutex> g(mutex_); return sent_; }
  std::vector<std::string> queries() const { std::lock_guard<std::mutex> g(mutex_); return queries_; }
  std::vector<std::string> log() const { std::lock_guard<std::mutex> g(mutex_); return log_; }
  std::vector<std::string> trace() const { std::lock_guard<std::mutex> g(mutex_); return trace_; }

  bool hideUpdate_ = true;
  WebCommandResult commandResult_{Outcome::Done, "locked"};

 private:
  mutable std::mutex mutex_;
  std::vector<TComputer> computers_;
  std::vector<Sent> sent_;
  std::vector<std::string> queries_;
  std::vector<std::string> log_;
  std::vector<std::string> trace_;
};

std::string Base64(std::string_view text) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned buffer = 0;
  int bits = 0;
  for (char c : text) {
    buffer = (buffer << 8) | static_cast<unsigned char>(c);
    bits += 8;
    while (bits >= 6) {
      bits -= 6;
      out += kAlphabet[(buffer >> bits) & 0x3F];
    }
  }
  if (bits > 0) out += kAlphabet[(buffer << (6 - bits)) & 0x3F];
  while (out.size() % 4 != 0) out += '=';
  return out;
}

std::string BasicHeader(std::string_view user, std::string_view password) {
  return "Basic " + Base64(std::string(user) + ":" + std::string(password));
}

TComputer Computer(std::string name, std::string ip) {
  TComputer c;
  c.ComputerName = std::move(name);
  c.RemoteIP = std::move(ip);
  c.StatusStr = "Locked";
  c.CurrentUser = "alice";
  c.IdleTime = "59";
  c.UpTime = "3600";
  c.Comments = "front desk";
  c.MasterIP = "127.0.0.9";
  return c;
}

constexpr const char* kViewTemplate =
    "N=%COMPUTERNAME%;U=%SYSUPTIME%;I=%IDLETIME%;C=%CURUSER%;S=%STATUS%;M=%COMMENTS%;"
    "P=%MASTERIP%;L=%COMPUTERLINK%;N2=%COMPUTERNAME%";

class WebInterfaceTest : public ::testing::Test {
 protected:
  WebInterfaceTest()
      : users_(brivak::test::Disk(), dir_ / "userlist.dat"),
        web_(port_, templates_, UserListCredentialCheck(users_), {"127.0.0.1", "MGRSTATION"}) {
    users_.AddUser("admin", "secret", kLevelAdmin);
    users_.AddUser("unlocker", "secret", kLevelUnlock);
    users_.AddUser("nobody", "secret", kLevelNone);
    templates_.Set(kIndexHeaderTemplate, "HEAD|");
    templates_.Set(kIndexFooterTemplate, "|FOOT");
    templates_.Set(kComputerViewTemplate, kViewTemplate);
    port_.Add(Computer("PC1", "127.0.0.11"));
    port_.Add(Computer("PC2", "127.0.0.12"));
  }

  // A request as a browser sends it when following a link on the manager's own pages.
  WebRequest Request(std::string target, std::string method = "GET") const {
    WebRequest request;
    request.method = std::move(method);
    request.target = std::move(target);
    request.peerAddress = "127.0.0.1";
    request.headers = {{"Host", "127.0.0.1:888"},
                       {"Authorization", BasicHeader("admin", "secret")},
                       {"Referer", "http://127.0.0.1:888/manager"},
                       {"Sec-Fetch-Site", "same-origin"}};
    return request;
  }

  static std::string Header(const WebResponse& response, std::string_view name) {
    return std::string(FindHeader(response.headers, name).value_or("<absent>"));
  }

  TempDir dir_;
  UserList users_;
  FakePort port_;
  MemoryTemplateSource templates_;
  WebInterface web_;
};

TEST_F(WebInterfaceTest, IndexListsOneLinkPerComputerInInventoryOrder) {
  for (const char* target : {"/manager", "/sm"}) {
    const WebResponse response = web_.Handle(Request(target));
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(Header(response, "Content-Type"), "text/html; charset=UTF-8");
    EXPECT_EQ(response.body,
              "<!doctype html>HEAD|"
              "<a href=\"/view/computer?PC1\" class=\"locked\">PC1</a><br>"
              "<a href=\"/view/computer?PC2\" class=\"locked\">PC2</a><br>|FOOT")
        << target;
  }
  EXPECT_TRUE(port_.sent().empty());
}

TEST_F(WebInterfaceTest, ComputerPageFillsEveryPlaceholder) {
  const WebResponse response = web_.Handle(Request("/view/computer?PC2"));
  EXPECT_EQ(response.status, 200);
  EXPECT_EQ(response.body,
            "<!doctype html>N=PC2;U=1 hrs 0 min 0 sec;I=59 sec;C=alice;S=Locked;M=front desk;"
            "P=127.0.0.9;L=PC2;N2=PC2");
}

TEST_F(WebInterfaceTest, TemplateWithoutPlaceholdersIsServedUnchanged) {
  templates_.Set(kComputerViewTemplate, "<p>static</p>");
  EXPECT_EQ(web_.Handle(Request("/view/computer?PC1")).body, "<!doctype html><p>static</p>");
}

TEST_F(WebInterfaceTest, CommandRoutesSendToTheRecordsAddress) {
  struct Case {
    const char* target;
    FakePort::Sent sent;
    const char* page;
  };
  const Case cases[] = {
      {"/lock/computer?PC1", {"127.0.0.11", "lock", ""}, "Your lock request has been sent."},
      {"/unlock/computer?PC2", {"127.0.0.12", "unlock", ""}, "Your lock request has been sent."},
      {"/standby/computer?PC1", {"127.0.0.11", "standby", ""}, "Your lock request has been sent."},
      {"/hibernate/computer?PC2", {"127.0.0.12", "hibernate", ""},
       "Your lock request has been sent."},
      {"/runupdate/computer?PC1", {"127.0.0.11", "runupdatescript", "flags=hidden"},
       "Your request to run the update script on PC1 has been sent."},
  };
  for (const Case& c : cases) {
    FakePort port;
    port.Add(Computer("PC1", "127.0.0.11"));
    port.Add(Computer("PC2", "127.0.0.12"));
    WebInterface web(port, templates_, UserListCredentialCheck(users_), {"127.0.0.1", "MGR"});
    const WebResponse response = web.Handle(Request(c.target));
    EXPECT_EQ(response.status, 200) << c.target;
    const std::string name = c.sent.remoteIP == "127.0.0.11" ? "PC1" : "PC2";
    EXPECT_EQ(response.body, std::string("<!doctype html>") + c.page + "<p class=\"outcome done\">" + name +
                                 ": done: locked</p>")
        << c.target;
    EXPECT_EQ(port.sent(), std::vector<FakePort::Sent>{c.sent}) << c.target;
  }
}

// A locker that refuses answers 200 like any other; the page says refused, with its text.
TEST_F(WebInterfaceTest, RefusedCommandReadsAsRefusedWithTheLockersText) {
  port_.commandResult_ = {Outcome::Refused, "cant lock, not authenticated"};
  const WebResponse response = web_.Handle(Request("/lock/computer?PC1"));
  EXPECT_EQ(response.status, 200);
  EXPECT_NE(response.body.find("PC1: refused: cant lock, not authenticated"), std::string::npos) << response.body;
  EXPECT_EQ(response.body.find(": done"), std::string::npos) << response.body;
}

TEST_F(WebInterfaceTest, RunUpdateFollowsTheHideUpdateSetting) {
  port_.hideUpdate_ = false;
  web_.Handle(Request("/runupdate/computer?PC2"));
  ASSERT_EQ(port_.sent().size(), 1u);
  EXPECT_EQ(port_.sent()[0].params, "flags=");
}

TEST_F(WebInterfaceTest, NotYetWorkingRoutesSendNothing) {
  EXPECT_EQ(web_.Handle(Request("/leavemessage/computer?PC1")).body,
            "<!doctype html>Leave a message -- not yet working.");
  EXPECT_EQ(web_.Handle(Request("/viewlogs/computer?PC1")).body,
            "<!doctype html>View Logs -- not yet working.");
  EXPECT_TRUE(port_.sent().empty());
}

TEST_F(WebInterfaceTest, UnknownRouteGetsAnEmptyReply) {
  for (const char* target : {"/favicon.ico", "/", "/view/other?PC1"}) {
    const WebResponse response = web_.Handle(Request(target));
    EXPECT_EQ(response.status, 200) << target;
    EXPECT_EQ(response.body, "") << target;
  }
  EXPECT_TRUE(port_.sent().empty());
}

TEST_F(WebInterfaceTest, RouteIsTakenFromThePathNotFromTheName) {
  port_.Add(Computer("x/manager", "127.0.0.13"));
  const WebResponse response = web_.Handle(Request("/lock/computer?x/manager"));
  EXPECT_EQ(response.body.rfind("<!doctype html>Your lock request has been sent.", 0), 0u) << response.body;
  EXPECT_EQ(port_.sent(), (std::vector<FakePort::Sent>{{"127.0.0.13", "lock", ""}}));
}

TEST_F(WebInterfaceTest, QueryResponseStartsAQueryOfTheSender) {
  WebRequest request = Request("/queryresponse");
  request.peerAddress = "127.0.0.44";
  request.headers = {{"Host", "127.0.0.1:888"}, {"Authorization", BasicHeader("admin", "secret")}};
  const WebResponse response = web_.Handle(request);
  EXPECT_EQ(response.status, 200);
  EXPECT_EQ(response.body, "");
  EXPECT_EQ(port_.queries(), std::vector<std::string>{"127.0.0.44"});
  EXPECT_EQ(port_.log(), std::vector<std::string>{"Report from 127.0.0.44"});
}

TEST_F(WebInterfaceTest, UnknownComputerOrMissingTemplateOrFailedSendGives500) {
  const WebResponse unknown = web_.Handle(Request("/lock/computer?NOSUCH"));
  EXPECT_EQ(unknown.status, 500);
  EXPECT_NE(unknown.body.find("NOSUCH"), std::string::npos);
  EXPECT_EQ(Header(unknown, "Content-Type"), "text/plain; charset=UTF-8");
  EXPECT_TRUE(port_.sent().empty());

  port_.commandResult_ = {Outcome::Failed, "Connection refused"};
  const WebResponse failed = web_.Handle(Request("/lock/computer?PC1"));
  EXPECT_EQ(failed.status, 500);
  EXPECT_EQ(failed.body, "Connection refused");

  templates_.Remove(kComputerViewTemplate);
  EXPECT_EQ(web_.Handle(Request("/view/computer?PC1")).status, 500);
  templates_.Remove(kIndexFooterTemplate);
  EXPECT_EQ(web_.Handle(Request("/manager")).status, 500);
}

TEST_F(WebInterfaceTest, NamesAreComparedExactlyAfterDecodingTheQuery) {
  port_.Add(Computer("PC 3", "127.0.0.13"));
  const WebResponse index = web_.Handle(Request("/manager"));
  EXPECT_NE(index.body.find("<a href=\"/view/computer?PC%203\" class=\"locked\">PC 3</a>"), std::string::npos)
      << index.body;
  EXPECT_EQ(web_.Handle(Request("/view/computer?PC%203")).status, 200);
  EXPECT_EQ(web_.Handle(Request("/view/computer?pc1")).status, 500);  // case-sensitive
}

TEST_F(WebInterfaceTest, LockerValuesHoldingMarkupAreShownAsText) {
  TComputer evil = Computer("<b>x</b>", "127.0.0.13");
  evil.StatusStr = "<script>alert(1)</script>";
  evil.CurrentUser = "\"><img src=x onerror=alert(1)>";
  evil.Comments = "a & b";
  evil.MasterIP = "<i>m</i>";
  evil.IdleTime = "<b>1</b>";
  port_.Add(evil);

  const WebResponse index = web_.Handle(Request("/manager"));
  EXPECT_NE(index.body.find("<a href=\"/view/computer?%3Cb%3Ex%3C%2Fb%3E\" class=\"silent\">&lt;b&gt;x&lt;/b&gt;</a>"),
            std::string::npos)
      << index.body;
  EXPECT_EQ(index.body.find("<b>"), std::string::npos);

  const WebResponse page = web_.Handle(Request("/view/computer?%3Cb%3Ex%3C%2Fb%3E"));
  ASSERT_EQ(page.status, 200) << page.body;
  EXPECT_EQ(page.body,
            "<!doctype html>N=&lt;b&gt;x&lt;/b&gt;;U=1 hrs 0 min 0 sec;I=(n/a);"
            "C=&quot;&gt;&lt;img src=x onerror=alert(1)&gt;;"
            "S=&lt;script&gt;alert(1)&lt;/script&gt;;M=a &amp; b;P=&lt;i&gt;m&lt;/i&gt;;"
            "L=%3Cb%3Ex%3C%2Fb%3E;N2=&lt;b&gt;x&lt;/b&gt;");
}

TEST_F(WebInterfaceTest, NameReflectedInTheUpdatePageIsEscaped) {
  port_.Add(Computer("<b>x</b>", "127.0.0.13"));
  const WebResponse response = web_.Handle(Request("/runupdate/computer?%3Cb%3Ex%3C/b%3E"));
  EXPECT_EQ(response.body,
            "<!doctype html>Your request to run the update script on &lt;b&gt;x&lt;/b&gt; has been sent."
            "<p class=\"outcome done\">&lt;b&gt;x&lt;/b&gt;: done: locked</p>");
}

TEST_F(WebInterfaceTest, MissingBadOrNonAdminCredentialsGet401WithChallenge) {
  struct Case {
    const char* what;
    std::optional<std::string> authorization;
  };
  const Case cases[] = {
      {"missing", std::nullopt},
      {"wrong password", BasicHeader("admin", "wrong")},
      {"unknown user", BasicHeader("stranger", "secret")},
      {"Unlock level", BasicHeader("unlocker", "secret")},
      {"None level", BasicHeader("nobody", "secret")},
      {"empty password", BasicHeader("admin", "")},
      {"empty user", BasicHeader("", "secret")},
      {"other scheme", std::string("Bearer ") + Base64("admin:secret")},
      {"bad base64", std::string("Basic ***")},
  };
  for (const Case& c : cases) {
    for (const char* target : {"/manager", "/view/computer?PC1", "/lock/computer?PC1",
                               "/queryresponse", "/favicon.ico"}) {
      WebRequest request = Request(target);
      std::erase_if(request.headers, [](const auto& h) { return h.first == "Authorization"; });
      if (c.authorization) request.headers.emplace_back("Authorization", *c.authorization);
      const WebResponse response = web_.Handle(request);
      EXPECT_EQ(response.status, 401) << c.what << " " << target;
      EXPECT_EQ(Header(response, "WWW-Authenticate"), "Basic realm=\"Brivak Mobile Manager\"")
          << c.what;
    }
  }
  EXPECT_TRUE(port_.sent().empty());
  EXPECT_TRUE(port_.queries().empty());
  EXPECT_TRUE(port_.log().empty());  // no "Remote HTTP request" either
}

TEST_F(WebInterfaceTest, AdminLoginIsMatchedWithoutRegardToNameCase) {
  WebRequest request = Request("/manager");
  request.headers[1].second = BasicHeader("ADMIN", "secret");
  EXPECT_EQ(web_.Handle(request).status, 200);
}

TEST_F(WebInterfaceTest, CrossSiteCommandRefusalTable) {
  using H = WebHeaders;
  struct Case {
    const char* what;
    H headers;  // besides Host and Authorization
    int status;
  };
  const Case cases[] = {
      {"link on own page", {{"Referer", "http://127.0.0.1:888/view/computer?PC1"},
                            {"Sec-Fetch-Site", "same-origin"}}, 200},
      {"typed address", {{"Sec-Fetch-Site", "none"}}, 200},
      {"own origin (form post)", {{"Origin", "http://127.0.0.1:888"}}, 200},
      {"own referer only", {{"Referer", "http://127.0.0.1:888/manager"}}, 200},
      {"no browser headers", {}, 403},
      {"cross-site fetch", {{"Sec-Fetch-Site", "cross-site"}}, 403},
      {"same-site fetch", {{"Sec-Fetch-Site", "same-site"}}, 403},
      {"foreign origin", {{"Origin", "http://127.0.0.2"}}, 403},
      {"null origin", {{"Origin", "null"}}, 403},
      {"foreign referer", {{"Referer", "http://127.0.0.2/attack.html"}}, 403},
      {"foreign referer, same-origin claim", {{"Referer", "http://127.0.0.2/"},
                                              {"Sec-Fetch-Site", "same-origin"}}, 403},
      {"own referer, cross-site fetch", {{"Referer", "http://127.0.0.1:888/manager"},
                                         {"Sec-Fetch-Site", "cross-site"}}, 403},
  };
  for (const Case& c : cases) {
    for (const char* target : {"/lock/computer?PC1", "/unlock/computer?PC1",
                               "/standby/computer?PC1", "/hibernate/computer?PC1",
                               "/runupdate/computer?PC1"}) {
      FakePort port;
      port.Add(Computer("PC1", "127.0.0.11"));
      WebInterface web(port, templates_, UserListCredentialCheck(users_), {"127.0.0.1", "MGR"});
      WebRequest request = Request(target);
      request.headers = {{"Host", "127.0.0.1:888"},
                         {"Authorization", BasicHeader("admin", "secret")}};
      request.headers.insert(request.headers.end(), c.headers.begin(), c.headers.end());
      const WebResponse response = web.Handle(request);
      EXPECT_EQ(response.status, c.status) << c.what << " " << target;
      EXPECT_EQ(port.sent().size(), c.status == 200 ? 1u : 0u) << c.what << " " << target;
    }
  }
}

TEST_F(WebInterfaceTest, PagesAndReportsAreNotRefusedForMissingBrowserHeaders) {
  for (const char* target : {"/manager", "/view/computer?PC1", "/queryresponse"}) {
    WebRequest request = Request(target);
    request.headers = {{"Host", "127.0.0.1:888"}, {"Authorization", BasicHeader("admin", "secret")}};
    EXPECT_EQ(web_.Handle(request).status, 200) << target;
  }
  WebRequest report = Request("/queryresponse");
  report.headers.emplace_back("Origin", "http://127.0.0.2");
  EXPECT_EQ(web_.Handle(report).status, 403);
  EXPECT_EQ(port_.queries().size(), 1u);
}

TEST_F(WebInterfaceTest, MethodsOtherThanGetHeadPostAreRefused) {
  EXPECT_EQ(web_.Handle(Request("/manager", "DELETE")).status, 405);
  EXPECT_EQ(web_.Handle(Request("/manager", "HEAD")).status, 200);
  EXPECT_EQ(web_.Handle(Request("/lock/computer?PC1", "HEAD")).status, 405);
  EXPECT_EQ(web_.Handle(Request("/lock/computer?PC1", "POST")).status, 200);
  EXPECT_EQ(port_.sent().size(), 1u);
}

TEST_F(WebInterfaceTest, RemoteRequestsAreLoggedLocalOnesAreNot) {
  web_.Handle(Request("/manager"));  // from 127.0.0.1
  EXPECT_TRUE(port_.log().empty());

  WebRequest remote = Request("/manager");
  remote.peerAddress = "127.0.0.77";
  remote.headers = {{"Host", "mgr.example:888"}, {"Authorization", BasicHeader("admin", "secret")}};
  web_.Handle(remote);
  EXPECT_EQ(port_.log(), std::vector<std::string>{"Remote HTTP request (mgr.example:888)"});

  remote.headers[0].second = "127.0.0.1:888";  // Host names this computer's address
  web_.Handle(remote);
  EXPECT_EQ(port_.log().size(), 1u);
}

TEST_F(WebInterfaceTest, TraceNeverShowsThePassword) {
  web_.Handle(Request("/manager"));
  const std::vector<std::string> trace = port_.trace();
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ(trace[0], "HTTP CommandGet: GET /manager HTTP/1.1 : user: admin  .. pass: *****");
  for (const std::string& line : trace) EXPECT_EQ(line.find("secret"), std::string::npos) << line;
}

TEST_F(WebInterfaceTest, ShippedTemplatesHoldEveryPlaceholderAndWork) {
  MemoryTemplateSource shipped;
  AddDefaultTemplates(shipped);
  const std::string view = *shipped.Read(kComputerViewTemplate);
  for (const char* placeholder : {"%COMPUTERNAME%", "%SYSUPTIME%", "%IDLETIME%", "%CURUSER%",
                                  "%STATUS%", "%COMMENTS%", "%MASTERIP%", "%COMPUTERLINK%"}) {
    EXPECT_NE(view.find(placeholder), std::string::npos) << placeholder;
  }
  WebInterface web(port_, shipped, UserListCredentialCheck(users_), {"127.0.0.1", "MGR"});
  const WebResponse page = web.Handle(Request("/view/computer?PC1"));
  EXPECT_EQ(page.status, 200);
  EXPECT_EQ(page.body.find('%'), std::string::npos) << page.body;
  EXPECT_NE(page.body.find("href=\"/lock/computer?PC1\""), std::string::npos);
  EXPECT_EQ(web.Handle(Request("/manager")).status, 200);
}

// Holds every reader of the computer template until `count` requests are inside the handler, so
// the pages are built at the same time.
class GatedTemplates : public WebTemplateSource {
 public:
  GatedTemplates(WebTemplateSource& inner, int count) : inner_(inner), remaining_(count) {}
  std::optional<std::string> Read(std::string_view fileName) override {
    std::unique_lock<std::mutex> lock(mutex_);
    if (--remaining_ <= 0) all_.notify_all();
    if (!all_.wait_for(lock, std::chrono::seconds(20), [this] { return remaining_ <= 0; })) {
      timedOut_ = true;
    }
    lock.unlock();
    return inner_.Read(fileName);
  }
  bool timedOut() {
    std::lock_guard<std::mutex> guard(mutex_);
    return timedOut_;
  }

 private:
  WebTemplateSource& inner_;
  std::mutex mutex_;
  std::condition_variable all_;
  int remaining_;
  bool timedOut_ = false;
};

TEST_F(WebInterfaceTest, ConcurrentRequestsGetTheirOwnPages) {
  constexpr int kCount = 8;
  for (int i = 3; i <= kCount; ++i) {
    port_.Add(Computer("PC" + std::to_string(i), "127.0.0." + std::to_string(10 + i)));
  }
  GatedTemplates gated(templates_, kCount);
  WebInterface web(port_, gated, UserListCredentialCheck(users_), {"127.0.0.1", "MGR"});
  std::vector<WebResponse> responses(kCount);
  std::vector<std::thread> threads;
  for (int i = 0; i < kCount; ++i) {
    threads.emplace_back([&, i] {
      responses[static_cast<std::size_t>(i)] =
          web.Handle(Request("/view/computer?PC" + std::to_string(i + 1)));
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_FALSE(gated.timedOut());
  for (int i = 0; i < kCount; ++i) {
    const std::string name = "PC" + std::to_string(i + 1);
    const WebResponse& response = responses[static_cast<std::size_t>(i)];
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, "<!doctype html>N=" + name +
                                 ";U=1 hrs 0 min 0 sec;I=59 sec;C=alice;S=Locked;M=front desk;"
                                 "P=127.0.0.9;L=" + name + ";N2=" + name);
  }
}

}  // namespace
}  // namespace brivak::manager
