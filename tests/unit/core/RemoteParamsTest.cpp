#include <gtest/gtest.h>

#include <string>

#include "proj/core/RemoteParams.h"
#include "support/ParamNames.h"

namespace brivak::core {
namespace {

struct ParamCase {
  const char* target;
  const char* name;
  const char* expected;
};

class RemoteParamsTableTest : public ::testing::TestWithParam<ParamCase> {};

TEST_P(RemoteParamsTableTest, ReadsTheField) {
  const ParamCase& c = GetParam();
  HttpRequest request{"GET", c.target, "", "", "127.0.0.1"};
  EXPECT_EQ(RequestParams::FromRequest(request).Get(c.name), c.expected) << c.target;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoteParamsTableTest,
    ::testing::Values(
        ParamCase{"/query?s_username=bob&s_password=pw", "s_username", "bob"},
        ParamCase{"/query?s_username=bob&s_password=pw", "s_password", "pw"},
        ParamCase{"/query?S_USERNAME=bob", "s_username", "bob"},                // name case ignored
        ParamCase{"/query?s_username=a&s_username=b", "s_username", "a"},       // first wins
        ParamCase{"/query?S_Username=a&s_username=b", "s_username", "a"},       // first wins, any case
        ParamCase{"/remotemessage?mbody=hello+world", "mbody", "hello world"},  // "+" is a blank
        ParamCase{"/remotemessage?mbody=a%2Bb%20c", "mbody", "a+b c"},          // escapes
        ParamCase{"/remotemessage?mbody=50%25", "mbody", "50%"},
        ParamCase{"/remotemessage?mbody=100%", "mbody", "100%"},  // bad escapes kept
        ParamCase{"/remotemessage?mbody=%4", "mbody", "%4"},
        ParamCase{"/remotemessage?mbody=%zz1", "mbody", "%zz1"},
        ParamCase{"/remotemessage?mbody=%C3%A9", "mbody", "\xC3\xA9"},
        ParamCase{"/remotemessage?mbody=a=b", "mbody", "a=b"},          // split at the first "="
        ParamCase{"/remotemessage?s%5Fpassword=x", "s_password", "x"},  // names are decoded
        ParamCase{"/lock?&&s_layout=x&&", "s_layout", "x"},             // empty pieces skipped
        ParamCase{"/lock?flag", "flag", ""},
        ParamCase{"/lock?s_layout=x", "missing", ""},  // missing reads empty
        ParamCase{"/lock", "s_layout", ""}, ParamCase{"/lock?a=1?b=2", "a", "1?b=2"}),
    brivak::test::NamedBy<ParamCase>([](const ParamCase& c) {
      return std::string(std::string(c.name) + "_" + c.target);
    }));  // only the first "?" splits

TEST(RemoteParamsTest, FormBodyAddsItsFieldsAfterTheQuery) {
  HttpRequest request{"POST", "/unlock?s_username=fromquery", "s_username=frombody&s_password=p%21+q",
                      "application/x-www-form-urlencoded; charset=UTF-8", "127.0.0.1"};
  const RequestParams params = RequestParams::FromRequest(request);
  EXPECT_EQ(params.Get("s_username"), "fromquery");
  EXPECT_EQ(params.Get("s_password"), "p! q");
}

TEST(RemoteParamsTest, BodyOfOtherTypesOrMethodsIsNotRead) {
  HttpRequest textBody{"POST", "/unlock", "s_password=x", "text/plain", "127.0.0.1"};
  EXPECT_FALSE(RequestParams::FromRequest(textBody).Has("s_password"));
  HttpRequest getBody{"GET", "/unlock", "s_password=x", "application/x-www-form-urlencoded", "127.0.0.1"};
  EXPECT_FALSE(RequestParams::FromRequest(getBody).Has("s_password"));
  HttpRequest upper{"POST", "/unlock", "s_password=x", " Application/X-WWW-Form-Urlencoded ", "127.0.0.1"};
  EXPECT_EQ(RequestParams::FromRequest(upper).Get("s_password"), "x");
}

TEST(RemoteParamsTest, PathAndQuery) {
  EXPECT_EQ(RequestPath("/query?x=/unlock"), "/query");
  EXPECT_EQ(RequestQuery("/query?x=/unlock"), "x=/unlock");
  EXPECT_EQ(RequestPath("/lock"), "/lock");
  EXPECT_EQ(RequestQuery("/lock"), "");
}

TEST(RemoteParamsTest, MaskPasswordHidesEveryPasswordValueOnly) {
  EXPECT_EQ(MaskPasswordInTarget("/listlogs?s_username=bob&s_password=secret&date=1/2/2027"),
            "/listlogs?s_username=bob&s_password=*******&date=1/2/2027");
  EXPECT_EQ(MaskPasswordInTarget("/listlogs?S_PASSWORD=a&s%5Fpassword=b&x=s_password"),
            "/listlogs?S_PASSWORD=*******&s%5Fpassword=*******&x=s_password");
  EXPECT_EQ(MaskPasswordInTarget("/listlogs?s_password="), "/listlogs?s_password=*******");
  EXPECT_EQ(MaskPasswordInTarget("/listlogs"), "/listlogs");
}

}  // namespace
}  // namespace brivak::core
