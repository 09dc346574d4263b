// Stations: several ports tested at once, each against its own simulated
// unit, each with its own settings, flags, catalogue, port and run. One
// unit's failure, one port's refusal or one station's stop decides nothing
// for the others.
#include "prodtest/station.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/program_path.h"
#include "params/channel_modes.h"
#include "prodtest_support.h"
#include "support/dtusim_fixture.h"
#include "support/sim_config_file.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::DtuSimProcess;

class StationTest : public ::testing::Test {
 protected:
  StationTest() {
    base_.baud = 115200;
    base_.password = "pilot";
    base_.connect_timeout = 5;
    base_.settings_path = dir_.File("tool_set.ini");
  }

  // Starts one simulator per argument list and a station on each.
  void StartStations(const std::vector<std::vector<std::string>>& sim_args) {
    for (const auto& args : sim_args) {
      sims_.push_back(std::make_unique<DtuSimProcess>());
      ASSERT_TRUE(sims_.back()->Start(args)) << sims_.back()->error();
      stations_.push_back(std::make_unique<Station>(sims_.back()->SlavePath(), base_, services_));
    }
  }

  static TestChoices RunTest(std::int64_t threshold = 15) {
    TestChoices c;
    c.semi_finished = true;
    c.run_test_item = true;
    c.key_string = "ZR-3100 READY";
    c.signal_threshold = threshold;
    return c;
  }

  void StartAll(const TestChoices& choices, ISerialNumberPrompt& prompt) {
    const StartVerdict v = ValidateStart(choices);
    ASSERT_TRUE(v.accepted()) << v.refusal;
    for (auto& s : stations_) ASSERT_TRUE(s->Start(*v.run, choices, prompt)) << s->PortName();
  }

  void WaitAll() {
    for (auto& s : stations_) ASSERT_TRUE(s->WaitFinished(std::chrono::seconds(120))) << s->PortName();
  }

  test::TempDir dir_;
  test::RecordingBoxes boxes_;
  StationServices services_{boxes_, boxes_, ProgramDirectory()};
  ToolSettings base_;
  test::FixedPrompt no_prompt_{std::nullopt};
  std::vector<std::unique_ptr<DtuSimProcess>> sims_;
  std::vector<std::unique_ptr<Station>> stations_;  // after the simulators: they end first
};

TEST_F(StationTest, ThreePortsRunAtOnceAndOneFailingUnitFailsOnlyItsOwnTile) {
  StartStations({{}, {"--csq", "9"}, {}});
  StartAll(RunTest(15), no_prompt_);
  WaitAll();

  for (std::size_t i : {0u, 2u}) {
    const StationSnapshot s = stations_[i]->Board().Snapshot();
    EXPECT_EQ(s.StateText(), std::string("通过"_gbk)) << i;
    EXPECT_EQ(s.passed, 1) << i;
    EXPECT_EQ(s.failed, 0) << i;
    EXPECT_EQ(stations_[i]->Run().LastOutcome(), RunOutcome::kPassed) << i;
  }
  const StationSnapshot failed = stations_[1]->Board().Snapshot();
  EXPECT_EQ(failed.StateText(), std::string("失败: 信号检测失败：期望最低信号 15, 当前信号 9"_gbk));
  EXPECT_EQ(failed.passed, 0);
  EXPECT_EQ(failed.failed, 1);
  // Every unit was asked for its signal once, on its own line.
  for (auto& sim : sims_) {
    const std::string sent = sim->ReceivedBytes();
    std::size_t asked = 0;
    for (std::size_t at = sent.find("AT+CSQ"); at != std::string::npos; at = sent.find("AT+CSQ", at + 1))
      ++asked;
    EXPECT_EQ(asked, 1u) << sent;
  }
}

TEST_F(StationTest, EightPortsRunTwoUnitsEachAtOnce) {
  StartStations(std::vector<std::vector<std::string>>(8));
  TestChoices c = RunTest();
  c.continuous = true;
  c.wait_time = 0;
  StartAll(c, no_prompt_);
  for (auto& s : stations_) {
    for (int i = 0; i < 1200 && s->Board().Snapshot().passed < 2; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  for (auto& s : stations_) s->BeginStop();
  for (auto& s : stations_) {
    ASSERT_TRUE(s->WaitFinished(std::chrono::seconds(5)));
    s->EndStop();
  }
  for (auto& s : stations_) {
    const StationSnapshot snapshot = s->Board().Snapshot();
    EXPECT_GE(snapshot.passed, 2) << s->PortName();
    EXPECT_EQ(snapshot.failed, 0) << s->PortName();
  }
}

TEST_F(StationTest, EachStationGetsTheNumbersOfItsOwnUnitAndTheirLinesStayApart) {
  StartStations({{}, {}});
  const std::string file =
      test::MakeConfigFile(dir_.File("unit"), FileVariant::kS3, kModeSin, "dtusim_s3.profile");
  ASSERT_FALSE(file.empty());
  TestChoices c;
  c.semi_finished = false;
  c.configure_item = true;
  c.config_file = file;
  std::vector<std::string> lines(2);
  std::vector<std::unique_ptr<test::FixedPrompt>> prompts;
  prompts.push_back(std::make_unique<test::FixedPrompt>(SerialNumbers{"PA-1", "86000000000011"}));
  prompts.push_back(std::make_unique<test::FixedPrompt>(SerialNumbers{"PB-2", "86000000000022"}));
  const StartVerdict v = ValidateStart(c);
  ASSERT_TRUE(v.accepted()) << v.refusal;
  for (std::size_t i = 0; i < 2; ++i) {
    stations_[i]->SetInfoSink([&lines, i](std::string_view gbk) { lines[i].append(gbk); });
    ASSERT_TRUE(stations_[i]->Start(*v.run, c, *prompts[i]));
  }
  WaitAll();
  for (std::size_t i = 0; i < 2; ++i) {
    const StationSnapshot s = stations_[i]->Board().Snapshot();
    EXPECT_EQ(s.state, StationState::kPassed) << lines[i];
    EXPECT_EQ(prompts[i]->Asked(), 1);
  }
  EXPECT_EQ(stations_[0]->Board().Snapshot().product_number, "PA-1");
  EXPECT_EQ(stations_[1]->Board().Snapshot().imei, "86000000000022");
  EXPECT_NE(sims_[0]->ReceivedBytes().find("86000000000011"), std::string::npos);
  EXPECT_EQ(sims_[0]->ReceivedBytes().find("86000000000022"), std::string::npos);
  EXPECT_NE(sims_[1]->ReceivedBytes().find("86000000000022"), std::string::npos);
  EXPECT_NE(lines[0].find("产品编号: PA-1\r\n"_gbk), std::string::npos) << lines[0];
  EXPECT_EQ(lines[0].find("PB-2"), std::string::npos) << lines[0];
}

TEST_F(StationTest, APortThatWillNotOpenShowsWhyAndTheOthersRun) {
  StartStations({{}});
  stations_.push_back(std::make_unique<Station>(dir_.File("no-such-tty"), base_, services_));
  const TestChoices choices = RunTest();
  const StartVerdict v = ValidateStart(choices);
  ASSERT_TRUE(v.accepted());
  EXPECT_TRUE(stations_[0]->Start(*v.run, choices, no_prompt_));
  EXPECT_FALSE(stations_[1]->Start(*v.run, choices, no_prompt_));
  ASSERT_TRUE(stations_[0]->WaitFinished(std::chrono::seconds(120)));
  EXPECT_EQ(stations_[0]->Board().Snapshot().state, StationState::kPassed);
  const StationSnapshot refused = stations_[1]->Board().Snapshot();
  EXPECT_EQ(refused.state, StationState::kFailed);
  EXPECT_FALSE(refused.detail.empty());
  EXPECT_EQ(refused.failed, 0);
}

TEST_F(StationTest, StoppingOneStationLeavesTheOthersRunningAndStopAllEndsEveryRunQuickly) {
  StartStations({{}, {}, {}});
  TestChoices c = RunTest();
  c.continuous = true;
  c.wait_time = 30;
  StartAll(c, no_prompt_);
  // Each unit has passed once and waits for the next.
  for (auto& s : stations_) {
    for (int i = 0; i < 1200 && s->Board().Snapshot().passed == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_EQ(s->Board().Snapshot().passed, 1);
  }
  stations_[0]->Stop();
  EXPECT_FALSE(stations_[0]->Running());
  EXPECT_TRUE(stations_[1]->Running());
  EXPECT_TRUE(stations_[2]->Running());

  const auto began = std::chrono::steady_clock::now();
  for (std::size_t i = 1; i < 3; ++i) stations_[i]->BeginStop();
  for (std::size_t i = 1; i < 3; ++i) {
    ASSERT_TRUE(stations_[i]->WaitFinished(std::chrono::seconds(5)));
    stations_[i]->EndStop();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(500));
  for (auto& s : stations_) {
    EXPECT_EQ(s->Run().LastOutcome(), RunOutcome::kStopped);
    EXPECT_FALSE(s->Board().Snapshot().run_active);
    EXPECT_EQ(s->Board().Snapshot().state, StationState::kPassed);  // the last unit's verdict stays
  }
}

}  // namespace
}  // namespace zt
