#include "params/channel_modes.h"

#include <gtest/gtest.h>

#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;

TEST(ModeNames, TokensOfTheFourModesAndOfAnyOtherCode) {
  EXPECT_EQ(ModeToken(kModeSin), "SIN");
  EXPECT_EQ(ModeToken(kModeBak), "BAK");
  EXPECT_EQ(ModeToken(kModeMul), "MUL");
  EXPECT_EQ(ModeToken(kModeMulb), "MULB");
  EXPECT_EQ(ModeToken(3), "ERR_CHP_MODEL");
  EXPECT_EQ(ModeToken(0), "ERR_CHP_MODEL");
}

TEST(ModeNames, DisplayNamesOfTheFourModesAndOfAnyOtherCode) {
  EXPECT_EQ(ModeDisplayName(1), "单通道"_gbk);
  EXPECT_EQ(ModeDisplayName(2), "主备通道"_gbk);
  EXPECT_EQ(ModeDisplayName(4), "多通道"_gbk);
  EXPECT_EQ(ModeDisplayName(8), "多备通道"_gbk);
  EXPECT_EQ(ModeDisplayName(0), "xxx通道****"_gbk);
  EXPECT_EQ(ModeDisplayName(12), "xxx通道****"_gbk);
}

TEST(ModeSelector, IndexToCodeWithSinForAnythingElse) {
  EXPECT_EQ(ModeFromSelector(0), 1);
  EXPECT_EQ(ModeFromSelector(1), 2);
  EXPECT_EQ(ModeFromSelector(2), 4);
  EXPECT_EQ(ModeFromSelector(3), 8);
  EXPECT_EQ(ModeFromSelector(-1), 1);
  EXPECT_EQ(ModeFromSelector(4), 1);
  EXPECT_EQ(SelectorFromMode(8), 3);
  EXPECT_EQ(SelectorFromMode(5), 0);
}

TEST(ModeToken, TheWholeTokenIsComparedExactly) {
  const ModeChoice mulb = ModeFromToken("MULB", kModeSin);
  EXPECT_TRUE(mulb.recognised);
  EXPECT_EQ(mulb.code, kModeMulb);
  EXPECT_EQ(mulb.selector_index, 3);
  const ModeChoice bak = ModeFromToken("BAK", kModeMul);
  EXPECT_EQ(bak.code, kModeBak);
  EXPECT_EQ(bak.selector_index, 1);
}

TEST(ModeToken, LowerCaseOrTrailingBlankLeavesTheModeAndGivesIndexZero) {
  for (const char* token : {"mul", "MUL ", " MUL", "MU", ""}) {
    const ModeChoice choice = ModeFromToken(token, kModeBak);
    EXPECT_FALSE(choice.recognised) << token;
    EXPECT_EQ(choice.code, kModeBak) << token;
    EXPECT_EQ(choice.selector_index, 0) << token;
  }
}

TEST(ChannelTable, AGroupOfTwoModesIsRegisteredUnderBoth) {
  ChannelTable table;
  table.RegisterChannelGroup(12, 2, 7);
  EXPECT_EQ(table.GroupForChannel(kModeMul, 2), 7);
  EXPECT_EQ(table.GroupForChannel(kModeMulb, 2), 7);
  EXPECT_FALSE(table.HasChannel(kModeSin, 2));
  EXPECT_FALSE(table.HasChannel(kModeBak, 2));
}

TEST(ChannelTable, ChannelsOutsideZeroToTenAndNegativeValuesChangeNothing) {
  ChannelTable table;
  table.RegisterChannelGroup(1, 11, 3);
  table.RegisterChannelGroup(1, -1, 3);
  table.RegisterChannelGroup(-1, 1, 3);
  table.RegisterChannelGroup(1, 1, -1);
  EXPECT_TRUE(table.empty());
  table.RegisterChannelGroup(1, 0, 3);
  table.RegisterChannelGroup(1, 10, 4);
  EXPECT_EQ(table.GroupForChannel(kModeSin, 0), 3);
  EXPECT_EQ(table.GroupForChannel(kModeSin, 10), 4);
}

TEST(ChannelTable, TheLastRegistrationWins) {
  ChannelTable table;
  table.RegisterChannelGroup(4, 1, 5);
  table.RegisterChannelGroup(4, 1, 9);
  EXPECT_EQ(table.GroupForChannel(kModeMul, 1), 9);
}

TEST(ChannelTable, LookupsOfAbsentModesAndChannels) {
  ChannelTable table;
  table.RegisterChannelGroup(2, 1, 12);
  EXPECT_EQ(table.GroupForChannel(kModeSin, 1), -1);
  EXPECT_EQ(table.GroupForChannel(kModeBak, 2), -1);
  EXPECT_FALSE(table.HasChannel(kModeMulb, 1));
  EXPECT_TRUE(table.ChannelsOfMode(kModeMulb).empty());
  EXPECT_TRUE(table.HasChannel(kModeBak, 1));
}

TEST(ChannelTable, ChannelsOfAModeComeInAscendingOrder) {
  ChannelTable table;
  table.RegisterChannelGroup(8, 3, 20);
  table.RegisterChannelGroup(8, 1, 18);
  table.RegisterChannelGroup(8, 2, 19);
  const ChannelTable::ChannelMap expected{{1, 18}, {2, 19}, {3, 20}};
  EXPECT_EQ(table.ChannelsOfMode(kModeMulb), expected);
  table.Clear();
  EXPECT_TRUE(table.ChannelsOfMode(kModeMulb).empty());
}

}  // namespace
}  // namespace zt
