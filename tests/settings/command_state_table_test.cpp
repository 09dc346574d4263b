#include "settings/command_state_table.h"

#include <set>

#include <gtest/gtest.h>

namespace zt {
namespace {

std::set<int> Disabled(const CommandStateTable& t) {
  std::set<int> out;
  for (int i = 0; i < kCommandEntries; ++i) {
    if (!t.IsEnabled(i)) out.insert(i);
  }
  return out;
}

// The frame's start: created, first show, the first parameter view's refresh.
void StartUp(CommandStateTable& t) {
  t.OnFrameCreated();
  t.OnFirstShow();
  t.OnParameterViewRefresh(/*port_open=*/false, /*connected=*/false);
}

TEST(CommandStateTable, AfterStartUpOnlyThePortAndViewCommandsAreOffered) {
  CommandStateTable t;
  StartUp(t);
  EXPECT_EQ(Disabled(t), (std::set<int>{2, 7, 8, 10, 11, 12, 13, 14, 16, 18, 20, 21, 24, 25, 26, 27, 28}));
  EXPECT_TRUE(t.IsEnabled(kCmdOpenPort));
  EXPECT_TRUE(t.IsEnabled(kCmdConnectionSettings));
}

TEST(CommandStateTable, OpeningThePortOffersConnectAndClose) {
  CommandStateTable t;
  StartUp(t);
  t.OnPortOpened();
  EXPECT_EQ(Disabled(t), (std::set<int>{0, 1, 7, 8, 10, 11, 12, 13, 14, 17, 18, 19, 24, 25, 26, 27, 28}));
}

TEST(CommandStateTable, AConnectOffersTheParameterCommandsAndClosingTakesThemBack) {
  CommandStateTable t;
  StartUp(t);
  t.OnPortOpened();
  t.OnDtuConnected();
  EXPECT_EQ(Disabled(t), (std::set<int>{0, 1, 17, 18, 19, 24, 25, 26, 27}));
  t.OnParameterViewRefresh(true, true);
  EXPECT_EQ(Disabled(t), (std::set<int>{0, 1, 17, 19}));
  t.OnPortClosed();
  EXPECT_EQ(Disabled(t), (std::set<int>{2, 7, 8, 10, 11, 12, 13, 14, 16, 20, 21, 28}));
}

TEST(CommandStateTable, TheAtViewTakesTheParameterCommandsAndCommonParametersStayOffAfterReturning) {
  CommandStateTable t;
  StartUp(t);
  t.OnPortOpened();
  t.OnDtuConnected();
  t.OnAtView();
  EXPECT_EQ(Disabled(t),
            (std::set<int>{0, 1, 7, 8, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 21, 24, 25, 26, 27, 28}));
  t.OnParameterViewRefresh(true, true);
  EXPECT_FALSE(t.IsEnabled(kCmdCommonParams));  // until the next connect
  EXPECT_TRUE(t.IsEnabled(kCmdQuery));
  EXPECT_TRUE(t.IsEnabled(kCmdConnectDtu));
}

TEST(CommandStateTable, IndicesOutsideTheTableAreIgnored) {
  CommandStateTable t;
  t.Set(-1);
  t.Set(29);
  EXPECT_TRUE(Disabled(t).empty());
  EXPECT_TRUE(t.IsEnabled(100));
}

TEST(CommandStateTable, CommandIdsMapToTheirEntries) {
  EXPECT_EQ(CommandEntryForId(32772), kCmdOpenPort);
  EXPECT_EQ(CommandEntryForId(2005), kCmdToolOpenPort);
  EXPECT_EQ(CommandEntryForId(2015), kCmdToolDefaults);
  EXPECT_EQ(CommandEntryForId(32802), kCmdCommonParams);
  EXPECT_EQ(CommandEntryForId(32786), std::nullopt);  // exit is always offered
}

}  // namespace
}  // namespace zt
