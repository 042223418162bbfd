#include "proj/net/HttpWire.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brivak::net {
namespace {

using core::HttpReply;
using core::ReplyForm;

HttpReply Reply(int status, std::string reason, ReplyForm form, std::string body = {}) {
  HttpReply r;
  r.status = status;
  r.reason = std::move(reason);
  r.form = form;
  r.body = std::move(body);
  return r;
}

const std::string kPage = "<HTML><BODY><B>200 locked</B></BODY></HTML>\r\n";

TEST(HttpWireReply, ExactBytesOfEachForm) {
  struct Case {
    const char* name;
    HttpReply reply;
    bool headOnly;
    std::string expected;
  };
  HttpReply typed = Reply(200, "OK", ReplyForm::Page, "<p>x</p>");
  typed.contentType = "text/html; charset=us-ascii";
  typed.nosniff = true;
  const std::vector<Case> cases = {
      {"status only", Reply(200, "OK", ReplyForm::StatusOnly, "ignored"), false,
       "HTTP/1.1 200 OK\r\nServer: Brivak3\r\nConnection: close\r\nContent-Length: 0\r\n\r\n"},
      {"page", Reply(200, "locked", ReplyForm::Page, kPage), false,
       "HTTP/1.1 200 locked\r\nServer: Brivak3\r\nConnection: close\r\nContent-Length: 45\r\n\r\n" + kPage},
      {"page, HEAD", Reply(200, "locked", ReplyForm::Page, kPage), true,
       "HTTP/1.1 200 locked\r\nServer: Brivak3\r\nConnection: close\r\nContent-Length: 45\r\n\r\n"},
      {"typed", typed, false,
       "HTTP/1.1 200 OK\r\nServer: Brivak3\r\nConnection: close\r\nContent-Type: text/html; charset=us-ascii\r\n"
       "X-Content-Type-Options: nosniff\r\nContent-Length: 8\r\n\r\n<p>x</p>"},
      {"failure carries its message", Reply(500, "Internal Server Error", ReplyForm::StatusOnly, "no user list"),
       false,
       "HTTP/1.1 500 Internal Server Error\r\nServer: Brivak3\r\nConnection: close\r\nContent-Length: 12\r\n\r\n"
       "no user list"},
      {"blank reason gets the standard one", Reply(200, "", ReplyForm::StatusOnly), false,
       "HTTP/1.1 200 OK\r\nServer: Brivak3\r\nConnection: close\r\nContent-Length: 0\r\n\r\n"},
      {"impossible status", Reply(42, "x", ReplyForm::StatusOnly), false,
       "HTTP/1.1 500 x\r\nServer: Brivak3\r\nConnection: close\r\nContent-Length: 0\r\n\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SerializeReply(c.reply, c.headOnly, HttpLimits{}), c.expected) << c.name;
  }
}

TEST(HttpWireReply, ReasonStaysOneAsciiLine) {
  EXPECT_EQ(SanitizeReason("a\r\nb\rc\nd", 100), "a  b c d");
  EXPECT_EQ(SanitizeReason("caf\xc3\xa9!", 100), "caf?" "?!");
  EXPECT_EQ(SanitizeReason(std::string("x\0y\x7f", 4), 100), "x y ");
  EXPECT_EQ(SanitizeReason("abcdef", 3), "abc");

  const std::string bytes = SerializeReply(Reply(200, "line1\r\nHTTP/1.1 200 injected", ReplyForm::StatusOnly), false,
                                           HttpLimits{});
  EXPECT_EQ(bytes.substr(0, bytes.find("\r\n")), "HTTP/1.1 200 line1  HTTP/1.1 200 injected");
}

TEST(HttpWireReply, OwnRefusalsNameTheirStatus) {
  const std::string bytes = SerializeReply(ErrorReply(405), false, HttpLimits{});
  EXPECT_EQ(bytes,
            "HTTP/1.1 405 Method Not Allowed\r\nServer: Brivak3\r\nConnection: close\r\nAllow: GET, HEAD, POST\r\n"
            "Content-Length: 24\r\n\r\n405 Method Not Allowed\r\n");
}

TEST(HttpWireParse, RequestsAsTheHandlerSeesThem) {
  const ParsedRequest get = ParseRequestBytes("GET /query?s_username=a&s_password=b HTTP/1.1\r\nHost: x\r\n\r\n", {});
  ASSERT_EQ(get.refusal, 0);
  EXPECT_EQ(get.request.method, "GET");
  EXPECT_EQ(get.request.target, "/query?s_username=a&s_password=b");
  EXPECT_EQ(get.request.body, "");

  const ParsedRequest post = ParseRequestBytes(
      "POST /unlock HTTP/1.0\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: 25\r\n\r\n"
      "s_username=a&s_password=b",
      {});
  ASSERT_EQ(post.refusal, 0);
  EXPECT_EQ(post.request.method, "POST");
  EXPECT_EQ(post.request.contentType, "application/x-www-form-urlencoded");
  EXPECT_EQ(post.request.body, "s_username=a&s_password=b");

  const ParsedRequest chunked = ParseRequestBytes(
      "POST /unlock HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n", {});
  ASSERT_EQ(chunked.refusal, 0);
  EXPECT_EQ(chunked.request.body, "abcde");
}

TEST(HttpWireParse, RefusalsByKind) {
  HttpLimits small;
  small.requestLine = 64;
  small.header = 128;
  small.body = 16;
  const std::string longTarget(100, 'a');
  struct Case {
    const char* name;
    std::string bytes;
    int status;
  };
  const std::vector<Case> cases = {
      {"request line over its limit, header within", "GET /" + std::string(60, 'a') + " HTTP/1.1\r\n\r\n", 414},
      {"request line over the header limit", "GET /" + std::string(300, 'a') + " HTTP/1.1\r\n\r\n", 414},
      {"request line without end", "GET /" + std::string(300, 'a'), 414},
      {"fields over the header limit", "GET / HTTP/1.1\r\nX: " + std::string(200, 'b') + "\r\n\r\n", 431},
      {"fields over the limit together with the line",
       "GET /" + std::string(50, 'a') + " HTTP/1.1\r\nX: " + std::string(70, 'b') + "\r\n\r\n", 431},
      {"declared body over the limit", "POST / HTTP/1.1\r\nContent-Length: 17\r\n\r\n", 413},
      {"chunked body over the limit",
       "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n10\r\n" + std::string(16, 'c') + "\r\n1\r\nd\r\n0\r\n\r\n",
       413},
      {"not HTTP", "hello\r\n\r\n", 400},
      {"bad version", "GET / HTTP/2.0\r\n\r\n", 400},
      {"bad field", "GET / HTTP/1.1\r\nNo colon here\r\n\r\n", 400},
      {"bad content length", "POST / HTTP/1.1\r\nContent-Length: x\r\n\r\n", 400},
      {"body cut short", "POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc", 400},
      {"header cut short", "GET / HTTP/1.1\r\nHost: x\r\n", 400},
      {"nothing", "", 400},
      {"known method not served", "PUT / HTTP/1.1\r\n\r\n", 405},
      {"DELETE", "DELETE / HTTP/1.1\r\n\r\n", 405},
      {"unknown method", "BREW / HTTP/1.1\r\n\r\n", 501},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseRequestBytes(c.bytes, small).refusal, c.status) << c.name;
  }
  // The same requests within the limits pass.
  EXPECT_EQ(ParseRequestBytes("POST / HTTP/1.1\r\nContent-Length: 16\r\n\r\n" + std::string(16, 'x'), small).refusal, 0);
  EXPECT_EQ(ParseRequestBytes("HEAD / HTTP/1.1\r\n\r\n", small).refusal, 0);
}

}  // namespace
}  // namespace brivak::net
