#include "manager/core/ComputerState.h"

#include <gtest/gtest.h>

namespace brivak::manager {
namespace {

TComputer Computer(std::string name, std::string status, std::string user = "ann", std::int32_t stateIndex = 0) {
  TComputer c;
  c.ComputerName = std::move(name);
  c.RemoteIP = "127.0.0.2";
  c.StatusStr = std::move(status);
  c.CurrentUser = std::move(user);
  c.StateIndex = stateIndex;
  return c;
}

TEST(ComputerStateTest, StatesAndTheSummaryLine) {
  struct Case {
    TComputer computer;
    ComputerState state;
  };
  const Case cases[] = {
      {Computer("A", "Locked"), ComputerState::Locked},
      {Computer("B", "Unlocked"), ComputerState::Unlocked},
      {Computer("C", "Unlocking"), ComputerState::Unlocked},
      {Computer("D", ""), ComputerState::NotAnswering},
      {Computer("E", "locked"), ComputerState::NotAnswering},  // the locker writes "Locked" exactly
      {Computer("F", "Locked", "ann", kStateIndexRefused), ComputerState::Refused},
  };
  TComputerList list;
  ComputerId id = 1;
  for (const Case& c : cases) {
    EXPECT_EQ(StateName(StateOf(c.computer)), StateName(c.state)) << c.computer.ComputerName;
    TComputer copy = c.computer;
    copy.id = id++;
    list.Put(copy);
  }
  EXPECT_EQ(SummaryLine(CountStates(list)), "6 computers, 1 locked, 2 unlocked, 2 not answering, 1 refused");
  EXPECT_EQ(SummaryLine(CountStates(TComputerList())), "0 computers, 0 locked, 0 unlocked, 0 not answering");
}

TEST(ComputerStateTest, FilterLooksAtNameAddressAndUser) {
  const TComputer c = Computer("Lab-PC7", "Locked", "Jürgen");
  for (const char* hit : {"", "lab", "PC7", "127.0.0", "0.2", "jür", "Jür"}) {
    EXPECT_TRUE(MatchesFilter(c, hit)) << hit;
  }
  for (const char* miss : {"pc8", "128.", "bob", "Locked"}) EXPECT_FALSE(MatchesFilter(c, miss)) << miss;
}

}  // namespace
}  // namespace brivak::manager
