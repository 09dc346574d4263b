// The tile model of the several-ports test page: its state line, counts,
// the unit's time and numbers, and a change report after every change.
#include "prodtest/station_board.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;

constexpr UnitStep kConnect{1, 2, UnitStage::kConnect};
constexpr UnitStep kRunTest{2, 2, UnitStage::kRunTest};

struct BoardCase {
  const char* name;
  std::function<void(StationBoard&)> reports;
  std::string state_text;
  StationState state;
  int passed;
  int failed;
};

TEST(StationBoard, ShowsTheStateLineAndCountsOfTheReports) {
  const std::vector<BoardCase> cases = {
      {"fresh", [](StationBoard&) {}, std::string("空闲"_gbk), StationState::kIdle, 0, 0},
      {"connecting", [](StationBoard& b) { b.StepStarted(kConnect); },
       std::string("测试中: 步骤 1/2: 连接"_gbk), StationState::kTesting, 0, 0},
      {"at the run test",
       [](StationBoard& b) {
         b.StepStarted(kConnect);
         b.StepStarted(kRunTest);
       },
       std::string("测试中: 步骤 2/2: 运行测试"_gbk), StationState::kTesting, 0, 0},
      {"passed",
       [](StationBoard& b) {
         b.StepStarted(kConnect);
         b.Passed();
         b.RunEnded();
       },
       std::string("通过"_gbk), StationState::kPassed, 1, 0},
      {"failed with its text on one line",
       [](StationBoard& b) {
         b.StepStarted(kConnect);
         b.StepStarted(kRunTest);
         b.Failed("信号检测失败：期望最低信号 15, 当前信号 9\r\n"_gbk);
         b.RunEnded();
       },
       std::string("失败: 信号检测失败：期望最低信号 15, 当前信号 9"_gbk), StationState::kFailed, 0, 1},
      {"the next unit after a pass is under test again",
       [](StationBoard& b) {
         b.StepStarted(kConnect);
         b.Passed();
         b.StepStarted(kConnect);
       },
       std::string("测试中: 步骤 1/2: 连接"_gbk), StationState::kTesting, 1, 0},
      {"stopped without a verdict",
       [](StationBoard& b) {
         b.StepStarted(kConnect);
         b.RunEnded();
       },
       std::string("空闲"_gbk), StationState::kIdle, 0, 0},
      {"a port that refused keeps the counts",
       [](StationBoard& b) {
         b.StepStarted(kConnect);
         b.Passed();
         b.Refused("打开串口失败"_gbk);
       },
       std::string("失败: 打开串口失败"_gbk), StationState::kFailed, 1, 0},
      {"a new run forgets the refusal",
       [](StationBoard& b) {
         b.Refused("打开串口失败"_gbk);
         b.RunStarted();
       },
       std::string("空闲"_gbk), StationState::kIdle, 0, 0},
  };
  for (const BoardCase& c : cases) {
    StationBoard board;
    c.reports(board);
    const StationSnapshot s = board.Snapshot();
    EXPECT_EQ(s.StateText(), c.state_text) << c.name;
    EXPECT_EQ(s.state, c.state) << c.name;
    EXPECT_EQ(s.passed, c.passed) << c.name;
    EXPECT_EQ(s.failed, c.failed) << c.name;
  }
}

TEST(StationBoard, TheUnitsTimeRunsWhileItIsTestedAndStopsAtItsVerdict) {
  StationBoard board;
  board.StepStarted(kConnect);
  const auto later = StationBoard::Clock::now() + std::chrono::seconds(7);
  EXPECT_GE(board.Snapshot(later).elapsed, std::chrono::seconds(6));
  board.Passed();
  EXPECT_LT(board.Snapshot(later + std::chrono::hours(1)).elapsed, std::chrono::seconds(5));
}

TEST(StationBoard, KeepsTheNumbersOfTheLastUnitAskedAndReportsEveryChange) {
  StationBoard board;
  std::atomic<int> changes{0};
  board.SetChangeCallback([&] { changes.fetch_add(1); });
  board.NumbersGiven("P-1", "860000000000001");
  board.NumbersGiven("P-2", "860000000000002");
  board.StepStarted(kConnect);
  board.Failed("x");
  board.RunEnded();
  const StationSnapshot s = board.Snapshot();
  EXPECT_EQ(s.product_number, "P-2");
  EXPECT_EQ(s.imei, "860000000000002");
  EXPECT_EQ(changes.load(), 5);
}

}  // namespace
}  // namespace zt
