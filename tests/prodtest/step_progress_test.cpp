#include "prodtest/step_progress.h"

#include <gtest/gtest.h>

#include "dtusim_run_support.h"
#include "prodtest/test_steps.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using namespace std::chrono_literals;

std::string S(std::string_view gbk) { return std::string(gbk); }

TEST(UnitSteps, TheConnectIsStepOneAndTheRunsStepsFollowWithTheirNames) {
  const std::vector<TestStepKind> all = BuildStepList(true, false, true);
  ASSERT_EQ(UnitStepCount(all), 4);
  EXPECT_EQ(UnitStepText(UnitStep{1, 4, UnitStage::kConnect}), S("步骤 1/4: 连接"_gbk));
  const std::string expected[] = {S("步骤 2/4: 参数配置"_gbk), S("步骤 3/4: 配置比较"_gbk),
                                  S("步骤 4/4: 运行测试"_gbk)};
  for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(UnitStepText(StepOfList(all, i)), expected[i]);
  const std::vector<TestStepKind> run_only = BuildStepList(false, false, true);
  EXPECT_EQ(StepOfList(run_only, 0), (UnitStep{2, 2, UnitStage::kRunTest}));
  EXPECT_EQ(S(UnitStageName(StageOfStep(TestStepKind::kUpgrade))), S("程序升级"_gbk));
}

TEST(UnitVerdicts, TextsDetailTallyAndBell) {
  EXPECT_EQ(S(UnitVerdictText(UnitVerdict::kPassed)), S("通过"_gbk));
  EXPECT_EQ(S(UnitVerdictText(UnitVerdict::kFailed)), S("失败"_gbk));
  EXPECT_TRUE(UnitVerdictText(UnitVerdict::kNone).empty());
  // The failure text as one line; without one, the step's name.
  EXPECT_EQ(FailureDetail(" 配置比较错误:\r\n接入点名称\r\n"_gbk, UnitStage::kCompare),
            S("配置比较错误: 接入点名称"_gbk));
  EXPECT_EQ(FailureDetail("\r\n", UnitStage::kRunTest), S("运行测试"_gbk));
  EXPECT_EQ(UnitTallyText(3, 1), S("通过: 3  失败: 1"_gbk));
  // Two sounds a line tells apart: one bell, three bells.
  EXPECT_EQ(VerdictBellDelays(UnitVerdict::kPassed).size(), 1u);
  EXPECT_EQ(VerdictBellDelays(UnitVerdict::kFailed).size(), 3u);
  EXPECT_TRUE(VerdictBellDelays(UnitVerdict::kNone).empty());
}

class UnitBoardTest : public ::testing::Test {
 protected:
  UnitBoard::Clock::time_point At(int seconds) { return start_ + std::chrono::seconds(seconds); }
  UnitBoard board_;
  UnitBoard::Clock::time_point start_ = UnitBoard::Clock::now();
};

TEST_F(UnitBoardTest, AVerdictStaysUntilTheNextUnitsConnectAndTheClockRunsPerUnit) {
  board_.StepStarted({1, 3, UnitStage::kConnect}, At(0));
  board_.StepStarted({1, 3, UnitStage::kConnect}, At(2));  // no unit answered: tried again
  board_.StepStarted({2, 3, UnitStage::kConfigure}, At(3));
  EXPECT_EQ(board_.Elapsed(At(5)), 5s);
  EXPECT_TRUE(board_.ClockRunning());
  board_.Passed(At(9));
  EXPECT_EQ(board_.Verdict(), UnitVerdict::kPassed);
  EXPECT_EQ(board_.Elapsed(At(30)), 9s);  // frozen at the verdict
  // Continuous testing: the next unit's connect ends the verdict.
  board_.StepStarted({1, 3, UnitStage::kConnect}, At(40));
  EXPECT_EQ(board_.Verdict(), UnitVerdict::kNone);
  EXPECT_EQ(board_.Elapsed(At(41)), 1s);
  board_.StepStarted({3, 3, UnitStage::kCompare}, At(42));
  board_.Failed("配置比较错误\r\n"_gbk, At(44));
  EXPECT_EQ(board_.Verdict(), UnitVerdict::kFailed);
  EXPECT_EQ(board_.Detail(), S("配置比较错误"_gbk));
  EXPECT_EQ(board_.PassedUnits(), 1);
  EXPECT_EQ(board_.FailedUnits(), 1);
  EXPECT_EQ(board_.Step(), (UnitStep{3, 3, UnitStage::kCompare}));
}

TEST_F(UnitBoardTest, AStoppedRunFreezesTheClockWithoutAVerdictAndTheNextRunStartsAfresh) {
  board_.StepStarted({1, 2, UnitStage::kConnect}, At(0));
  board_.StepStarted({2, 2, UnitStage::kRunTest}, At(1));
  board_.RunEnded(At(6));
  EXPECT_FALSE(board_.ClockRunning());
  EXPECT_EQ(board_.Verdict(), UnitVerdict::kNone);
  EXPECT_EQ(board_.Elapsed(At(20)), 6s);
  board_.StepStarted({1, 2, UnitStage::kConnect}, At(30));
  EXPECT_EQ(board_.Elapsed(At(32)), 2s);
  EXPECT_EQ(board_.PassedUnits() + board_.FailedUnits(), 0);
}

class UnitReportsOfARun : public test::DtuSimRunTest {};

TEST_F(UnitReportsOfARun, EachStepIsReportedAsItBeginsThenTheVerdict) {
  StartSim({"--csq", "15"});
  const std::string file =
      test::MakeConfigFile(dir_.File("unit"), FileVariant::kS3, kModeSin, "dtusim_s3.profile");
  TestChoices both = Configure(file);
  both.run_test_item = true;
  both.key_string = "ZR-3100 READY";
  both.signal_threshold = 15;
  RunToEnd(both);
  EXPECT_EQ(view_->UnitReports(),
            (std::vector<std::string>{S("步骤 1/4: 连接"_gbk), S("步骤 2/4: 参数配置"_gbk),
                                      S("步骤 3/4: 配置比较"_gbk), S("步骤 4/4: 运行测试"_gbk), "passed"}));

  // A failing step: its failure text, as the box shows it, goes with the verdict.
  RunToEnd(RunTest(16));
  EXPECT_EQ(view_->UnitReports(),
            (std::vector<std::string>{S("步骤 1/2: 连接"_gbk), S("步骤 2/2: 运行测试"_gbk),
                                      "failed:" + S("信号检测失败：期望最低信号 16, 当前信号 15\r\n"_gbk)}));
}

}  // namespace
}  // namespace zt
