// The run test, continuous testing and Stop against the simulated DTU.
#include <gtest/gtest.h>

#include <thread>

#include "dtusim_run_support.h"
#include "serial/at_transaction.h"
#include "serial/link_clock.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::Gbk;

class DtuSimRun : public test::DtuSimRunTest {};

// ---- the signal check --------------------------------------------------------

TEST_F(DtuSimRun, NoSignalFailsWhateverTheThreshold) {
  StartSim({"--csq", "99"});
  const std::string text = RunToEnd(RunTest(0));
  EXPECT_TRUE(text.ends_with(Gbk("登录成功!\r\n信号检测失败：期望最低信号 0, 当前信号 99\r\n\r\n配置测试结束!\r\n"_gbk)))
      << text;
  EXPECT_EQ(run_->LastOutcome(), RunOutcome::kFailed);
}

TEST_F(DtuSimRun, ASignalEqualToTheThresholdPasses) {
  StartSim({"--csq", "15"});
  const std::string text = RunToEnd(RunTest(15));
  EXPECT_NE(text.find(Gbk("查询信号强度成功，信号强度为[15]!\r\n"_gbk)), std::string::npos) << text;
  EXPECT_EQ(run_->LastOutcome(), RunOutcome::kPassed);
}

TEST_F(DtuSimRun, ASignalBelowTheThresholdFails) {
  StartSim({"--csq", "15"});
  const std::string text = RunToEnd(RunTest(16));
  EXPECT_TRUE(text.ends_with(Gbk("信号检测失败：期望最低信号 16, 当前信号 15\r\n\r\n配置测试结束!\r\n"_gbk))) << text;
}

// ---- the key string ------------------------------------------------------------

TEST_F(DtuSimRun, AKeyStringArrivingInPiecesIsFound) {
  StartSim({"--chunked", "--seed", "7", "--ready", "SYSTEM BOOT COMPLETE, ZR-3100 READY"});
  const std::string text = RunToEnd(RunTest(15, "ZR-3100 READY"));
  EXPECT_TRUE(text.ends_with(Gbk("运行测试成功!\r\n配置测试成功!\r\n配置测试结束!\r\n"_gbk))) << text;
  // The ready line left the unit in several pieces.
  bool whole = false;
  for (const test::WireChunk& chunk : sim_.WireLog()) {
    if (chunk.direction != '>') continue;
    whole = whole || chunk.bytes.find("SYSTEM BOOT COMPLETE, ZR-3100 READY") != std::string::npos;
  }
  EXPECT_FALSE(whole);
  EXPECT_NE(sim_.SentBytes().find("SYSTEM BOOT COMPLETE, ZR-3100 READY"), std::string::npos);
}

TEST_F(DtuSimRun, AZeroByteBeforeTheKeyStringInTheSameReadDoesNotHideIt) {
  StartSim({"--ready-zero", "--ready", "ZR-3100 READY"});
  env_->port->SetLinkClock(LinkClock(40));  // a miss fails in three seconds, not two minutes
  const std::string text = RunToEnd(RunTest(15, "ZR-3100 READY"));
  EXPECT_TRUE(text.ends_with(Gbk("运行测试成功!\r\n配置测试成功!\r\n配置测试结束!\r\n"_gbk))) << text;
  EXPECT_NE(sim_.SentBytes().find(std::string("\0ZR-3100 READY", 14)), std::string::npos);
}

TEST_F(DtuSimRun, AKeyStringThatNeverComesFailsAfter120Seconds) {
  StartSim({"--no-ready"});
  env_->port->SetLinkClock(LinkClock(40));
  const std::string text = RunToEnd(RunTest());
  EXPECT_TRUE(text.ends_with(Gbk("运行测试没有检测到关键字符串\r\n配置测试结束!\r\n"_gbk))) << text;
  // The start-up lines were shown as they came.
  EXPECT_NE(text.find("Revision: ZR3100_S3_3.1.2\r\n"), std::string::npos);
  EXPECT_EQ(CountSent("+++"), 0u);
}

TEST_F(DtuSimRun, AResetThatIsAnsweredLogsNoResetLine) {
  StartSim();
  const std::string text = RunToEnd(RunTest());
  EXPECT_EQ(text.find(Gbk("复位成功!"_gbk)), std::string::npos);
  EXPECT_TRUE(text.find(Gbk("运行测试...\r\n\r\nIMEI Number: 860123456789012\r\n"_gbk)) != std::string::npos) << text;
}

// ---- continuous testing --------------------------------------------------------

TEST_F(DtuSimRun, ContinuousTestingEndsAtTheFirstFailingUnit) {
  StartSim();
  const std::string file = test::MakeConfigFile(dir_.File("config"), FileVariant::kS3, kModeSin, "dtusim_s3.profile");
  ASSERT_FALSE(file.empty());
  // The second unit was scanned with a fifteen-digit IMEI.
  test::SequencePrompt prompt({{"ZR3100E0001", "86012345678901"}, {"ZR3100E0002", "860123456789022"}});
  TestChoices c = Configure(file, true);
  c.run_test_item = true;
  c.key_string = "ZR-3100 READY";
  c.signal_threshold = 15;
  c.continuous = true;
  c.wait_time = 1;
  const std::string text = RunToEnd(c, &prompt);
  EXPECT_NE(text.find(Gbk("产品编号: ZR3100E0001\r\n"_gbk)), std::string::npos);
  EXPECT_NE(text.find(Gbk("产品编号：ZR3100E0001运行测试成功!\r\n配置测试成功!\r\n等待连续配置测试时间间隔...!\r\n连接...\r\n"_gbk)),
            std::string::npos)
      << text;
  EXPECT_TRUE(text.ends_with(Gbk("产品编号: ZR3100E0002\r\n参数配置...\r\n设置通道模式!\r\nDTU通道模式为[SIN].\r\n"
                                 " 选择了通道 1，设置通道参数 \r\n产品IMEI号不应该超过14个字符\r\n配置测试结束!\r\n"_gbk)))
      << text;
  EXPECT_EQ(run_->PassedUnits(), 1);
  EXPECT_EQ(run_->LastOutcome(), RunOutcome::kFailed);
  EXPECT_EQ(view_->Restores(), 1);
}

// ---- Stop ------------------------------------------------------------------------

class DtuSimStop : public test::DtuSimRunTest {
 protected:
  void StartRun(const TestChoices& choices, ISerialNumberPrompt& prompt) {
    view_ = std::make_unique<test::RecordingTestView>(choices);
    const StartVerdict v = ValidateStart(choices);
    ASSERT_TRUE(v.accepted()) << v.refusal;
    ASSERT_TRUE(run_->Start(*v.run, *view_, prompt));
  }
  // Stop's lines come last and nothing follows; the port answers again.
  void StopAndCheck() {
    run_->Stop(*view_);
    const std::string text = view_->Text();
    EXPECT_TRUE(text.ends_with(Gbk("等待配置测试线程结束...\r\n配置测试结束!\r\n"_gbk))) << text;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(view_->Text(), text);
    EXPECT_EQ(run_->LastOutcome(), RunOutcome::kStopped);
    EXPECT_EQ(view_->Restores(), 1);
  }
  void ExpectPortFree() {
    std::string reply;
    std::uint16_t length = 0;
    EXPECT_EQ(FrameSendAndWait(*env_->port, "+++", "RUN AT", reply, 1024, length, 3, 2), AtResult::kMatched);
  }
};

TEST_F(DtuSimStop, StopDuringTheWakeUpOfAMuteUnit) {
  StartSim({"--mute"});
  env_->settings.Update([](ToolSettings& s) { s.connect_timeout = 600; });
  StartRun(RunTest(), no_prompt_);
  ASSERT_TRUE(sim_.WaitForReceived(std::string(13, ' ')));
  StopAndCheck();
  EXPECT_EQ(view_->Text(), Gbk("配置测试开始!\r\n连接...\r\n等待配置测试线程结束...\r\n配置测试结束!\r\n"_gbk));
}

TEST_F(DtuSimStop, StopDuringTheWaitBetweenUnits) {
  StartSim();
  TestChoices c = RunTest();
  c.continuous = true;
  c.wait_time = 3600;
  StartRun(c, no_prompt_);
  ASSERT_TRUE(view_->WaitForText(Gbk("等待连续配置测试时间间隔...!\r\n"_gbk)));
  StopAndCheck();
  ExpectPortFree();
}

TEST_F(DtuSimStop, StopDuringTheWaitForTheKeyString) {
  StartSim({"--no-ready"});
  StartRun(RunTest(), no_prompt_);
  ASSERT_TRUE(view_->WaitForText("Revision: ZR3100_S3_3.1.2\r\n"));
  StopAndCheck();
  ExpectPortFree();
}

TEST_F(DtuSimStop, StopDuringTheSerialNumberQuestion) {
  StartSim();
  const std::string file = test::MakeConfigFile(dir_.File("config"), FileVariant::kS3, kModeSin, "dtusim_s3.profile");
  ASSERT_FALSE(file.empty());
  test::OpenPrompt prompt;
  StartRun(Configure(file, true), prompt);
  ASSERT_TRUE(prompt.WaitAsking());
  StopAndCheck();
  EXPECT_TRUE(prompt.Cancelled());
  EXPECT_EQ(CountSent("AT+SETPARAM"), 0u);
  ExpectPortFree();
}

TEST_F(DtuSimStop, StopDuringAStepExchange) {
  StartSim({"--mute-after", "5"});  // wake-up, login, version, mode, then silence
  const std::string file = test::MakeConfigFile(dir_.File("config"), FileVariant::kS3, kModeSin, "dtusim_s3.profile");
  ASSERT_FALSE(file.empty());
  StartRun(Configure(file), no_prompt_);
  ASSERT_TRUE(sim_.WaitForReceived("AT+SETPARAM=DEVNAME,"));
  StopAndCheck();
  // The lock is free: the next exchange goes out (the unit stays silent).
  std::string reply;
  std::uint16_t length = 0;
  EXPECT_EQ(FrameSendAndWait(*env_->port, "AT\r\n", "OK", reply, 1024, length, 1, 1), AtResult::kTimedOut);
  EXPECT_TRUE(sim_.WaitForReceived("AT+SETPARAM=DEVNAME,ZR3100_LAB\r\nAT\r\n"));
}

}  // namespace
}  // namespace zt
