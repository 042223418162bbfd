#include <gtest/gtest.h>

#include "proj/core/RemoteStatus.h"

namespace brivak::core {
namespace {

StatusRecord SampleRecord() {
  StatusRecord r;
  r.computername = "WS-12";
  r.internalip = "127.0.1.20";
  r.mac = "00112233AABB";
  r.group = "(n/a)";
  r.status = "Locked";
  r.idleMs = 61999;
  r.uptimeMs = 3'600'500;
  r.currentuser = "alice";
  r.brivakversion = "3.1.0.0";
  r.masterip = "127.0.1.2";
  r.layoutFile = "/home/alice/.local/share/Brivak 3.0/layouts/html/bluegeneric.html";
  r.remoteSession = false;
  r.cpuPercent = 17;
  r.lockedWhen = 3'000'000;
  return r;
}

TEST(RemoteStatusTest, SixteenElementsJoinedByCR) {
  EXPECT_EQ(ReturnQuery(SampleRecord()),
            "<computername>WS-12</computername>\r<internalip>127.0.1.20</internalip>\r"
            "<mac>00112233AABB</mac>\r<group>(n/a)</group>\r<status>Locked</status>\r"
            "<idletime>61</idletime>\r<uptime>3600</uptime>\r<currentuser>alice</currentuser>\r"
            "<brivakversion>3.1.0.0</brivakversion>\r<comments>comment</comments>\r"
            "<masterip>127.0.1.2</masterip>\r<layout>bluegeneric.html</layout>\r<rdp>0</rdp>\r"
            "<cpu>17</cpu>\r<ram>0</ram>\r<locktime>600</locktime>");
}

TEST(RemoteStatusTest, ValuesAreInsertedAsTheyAreAndTicksDoNotWrap) {
  StatusRecord r = SampleRecord();
  r.computername = "";
  r.currentuser = "a<b>&c";
  r.remoteSession = true;
  r.layoutFile = "C:\\layouts\\slf\\simple.slf";
  r.uptimeMs = 5'000'000'000ULL;  // past 49.7 days of 32-bit ticks
  r.lockedWhen = 4'999'000'000ULL;
  const std::string q = ReturnQuery(r);
  EXPECT_NE(q.find("<computername></computername>\r"), std::string::npos);
  EXPECT_NE(q.find("<currentuser>a<b>&c</currentuser>"), std::string::npos);
  EXPECT_NE(q.find("<rdp>-1</rdp>"), std::string::npos);
  EXPECT_NE(q.find("<layout>simple.slf</layout>"), std::string::npos);
  EXPECT_NE(q.find("<uptime>5000000</uptime>"), std::string::npos);
  EXPECT_NE(q.find("<locktime>1000</locktime>"), std::string::npos);
  EXPECT_EQ(q.find('\n'), std::string::npos);
  r.lockedWhen = r.uptimeMs + 1;  // a launch "after now" cannot give a huge lock time
  EXPECT_NE(ReturnQuery(r).find("<locktime>0</locktime>"), std::string::npos);
}

TEST(RemoteStatusTest, Status) {
  EXPECT_EQ(GetBrivakStatus(true, false), "Locked");
  EXPECT_EQ(GetBrivakStatus(false, false), "Unlocked");
  EXPECT_EQ(GetBrivakStatus(true, true), "Unlocking");
  EXPECT_EQ(GetBrivakStatus(false, true), "Unlocking");
}

}  // namespace
}  // namespace brivak::core
