// The test run against a scripted unit on a pseudo-terminal: the unit loop,
// its lines byte for byte, the serial-number question, the failure-text
// buffer, and Stop during each kind of wait.
#include "prodtest/test_run.h"

#include <gtest/gtest.h>


#include "params/catalogue_builder.h"
#include "prodtest_support.h"
#include "serial/link_clock.h"
#include "support/pty_peer.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::PtyPeer;
using test::RecordingTestView;

std::string G(std::string_view gbk) { return std::string(gbk); }

const std::string kWake(13, ' ');

// 系统参数 (version, device name), 运行参数 (the mode) and the SIN group of
// channel 1.
std::string SmallCatalogue() {
  test::CatalogueBuilder b;
  b.Line("[group]").Entry("count", "3");
  b.Group(1, "系统参数"_gbk, 2);
  b.Param(1, 1, "0x0101", "ASCSTR", "软件版本"_gbk, "SPSV").Entry("readonly", "1");
  b.Param(1, 2, "0x0102", "ASCSTR", "设备名称"_gbk, "DEVNAME").Entry("length", "32");
  b.Group(2, "运行参数"_gbk, 1);
  b.Param(2, 1, "0x0201", "ASCSTR", "DTU通道运行模式"_gbk, "OPPRM").Entry("length", "4");
  b.Group(3, "通道1参数(单通道)"_gbk, 1, 1, "0x01");
  b.Param(3, 1, "0x0301", "ASCSTR", "服务器地址"_gbk, "SVRADDR").Entry("length", "64");
  return b.text();
}

std::string SmallConfigFile() {
  return G("[系统参数]\r\n软件版本=V3.1.2\r\n设备名称=ZR1\r\n[运行参数]\r\nDTU通道运行模式=SIN\r\n"
           "[通道1参数(单通道)]\r\n服务器地址=10.0.0.1\r\n"_gbk);
}

class TestRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::WriteFileBytes(dir_.File("dtuparam_s3.ini"), SmallCatalogue()));
    ASSERT_TRUE(test::WriteFileBytes(config_, SmallConfigFile()));
    ASSERT_TRUE(env_.Open());
  }

  // A unit that wakes, accepts the login and tells its version, every time.
  void AnswerIdentity() {
    Answer(kWake, {"\r\nRUN AT\r\nOK\r\n"});
    Answer("AT+LOGIN=pilot\r", {"\r\nOK\r\n"});
    Answer("AT+GETPARAM=SPSV\r\n", {"\r\nSPSV=V3.1.2\r\nOK\r\n"});
  }
  // ... and passes the configure and compare steps of the small catalogue.
  void AnswerConfiguration() {
    for (const char* command : {"AT+USEDEFAULT=", "AT+SETCHL=", "AT+SETPARAM=", "AT+SAVEPARAM\r"}) {
      Answer(command, {"\r\nOK\r\n"});
    }
    Answer("AT+GETPARAM=DEVNAME\r\n", {"\r\nDEVNAME=ZR1\r\nOK\r\n"});
    Answer("AT+GETPARAM=OPPRM\r\n", {"\r\nOPPRM=SIN\r\nOK\r\n"});
    Answer("AT+GETPARAM=SVRADDR\r\n", {"\r\nSVRADDR=10.0.0.1\r\nOK\r\n"});
    Answer("AT+GETPARAM=SPPID\r\n", {"\r\nSPPID=P01\r\nOK\r\n"});
    Answer("AT+GETPARAM=IMEINUMBER\r\n", {"\r\nIMEINUMBER=86012345678901\r\nOK\r\n"});
  }
  // ... and restarts, prints its banner and the key string, and has signal
  // (the signal check is answered `signal_times` times; 0: always).
  void AnswerRunTest(int signal_times = 0) {
    dtu_.AddRule({.when = "AT+RESET\r",
                  .reply = {"\r\nOK\r\n", "\r\nIMEI Number: 860123456789012\r\nManufacturer: ZR\r\n",
                            "Product Name: ZR-3100\r\nRevision: R1\r\nZR-31", "00 READY\r\n"},
                  .delay = std::chrono::milliseconds(0),
                  .gap = std::chrono::milliseconds(60),
                  .times = 0});
    Answer("+++", {"\r\nRUN AT\r\nOK\r\n"}, signal_times);
    Answer("AT+CSQ\r\n", {"\r\n+CSQ: 23,99\r\nOK\r\n"}, signal_times);
  }
  void Answer(const std::string& command, std::vector<std::string> reply, int times = 0) {
    dtu_.AddRule({.when = command, .reply = std::move(reply), .times = times});
  }

  TestChoices RunTestOnly() {
    TestChoices c;
    c.semi_finished = true;
    c.run_test_item = true;
    c.key_string = "ZR-3100 READY";
    c.signal_threshold = 15;
    return c;
  }
  TestChoices ConfigureOnly(bool finished = false) {
    TestChoices c;
    c.semi_finished = !finished;
    c.configure_item = true;
    c.config_file = config_;
    return c;
  }
  RunSettings Settings(const TestChoices& c) {
    const StartVerdict v = ValidateStart(c);
    EXPECT_TRUE(v.accepted()) << v.refusal;
    return v.run.value_or(RunSettings{});
  }

  // Runs to the end (the run must end by itself).
  void RunToEnd(RecordingTestView& view, ISerialNumberPrompt& prompt) {
    ASSERT_TRUE(run_.Start(Settings(view.choices()), view, prompt));
    ASSERT_TRUE(run_.WaitFinished(std::chrono::seconds(60)));
  }

  std::string Wire() {
    env_.port->Write(env_.port->PortLock(), "<end>");
    EXPECT_TRUE(dtu_.WaitForReceived("<end>"));
    const std::string received = dtu_.Received();
    return received.substr(0, received.size() - 5);
  }

  PtyPeer dtu_;
  test::TempDir dir_;
  std::string config_ = dir_.File("config_s3.ini");
  test::TestRunEnvironment env_{dtu_.Path(), dir_.path()};
  CTestRun run_{env_.Env()};
  test::FixedPrompt no_prompt_{std::nullopt};
};

const std::string kIdentityLines = G("连接...\r\n连接成功!\r\n登录成功!\r\n"_gbk);

// ---- the unit loop -----------------------------------------------------------

TEST_F(TestRunTest, AnEmptyStepListShowsItsMessageAndEnds) {
  RecordingTestView view(TestChoices{});
  ASSERT_TRUE(run_.Start(RunSettings{}, view, no_prompt_));
  ASSERT_TRUE(run_.WaitFinished(std::chrono::seconds(20)));
  EXPECT_EQ(view.Text(), G("配置测试里没有测试项!\r\n"_gbk));
  ASSERT_EQ(env_.boxes.Shown().size(), 1u);
  EXPECT_EQ(env_.boxes.Shown()[0].text, G("配置测试里没有测试项"_gbk));
  EXPECT_EQ(view.Restores(), 1);
  EXPECT_EQ(run_.LastOutcome(), RunOutcome::kNoSteps);
  EXPECT_EQ(Wire(), "");
}

TEST_F(TestRunTest, ARunTestUnitPassesWithEveryLineInOrder) {
  AnswerIdentity();
  AnswerRunTest();
  env_.identity.product_number = "P00";
  RecordingTestView view(RunTestOnly());
  RunToEnd(view, no_prompt_);
  EXPECT_EQ(view.Text(),
            G("配置测试开始!\r\n"_gbk) + G(kIdentityLines) + G("运行测试...\r\n"_gbk) +
                "\r\nIMEI Number: 860123456789012\r\nManufacturer: ZR\r\nProduct Name: ZR-3100\r\nRevision: R1\r\n"
                "ZR-3100 READY\r\n" +
                G("登录成功!\r\n查询信号强度成功，信号强度为[23]!\r\n"_gbk) +
                "IMEI Number: 860123456789012\r\nManufacturer: ZR\r\nProduct Name: ZR-3100\r\nRevision: R1\r\n" +
                G("产品编号：P00运行测试成功!\r\n配置测试成功!\r\n配置测试结束!\r\n"_gbk));
  EXPECT_EQ(Wire(), kWake + "AT+LOGIN=pilot\rAT+GETPARAM=SPSV\r\nAT+RESET\r+++AT+LOGIN=pilot\rAT+CSQ\r\n");
  EXPECT_EQ(view.Restores(), 1);
  EXPECT_EQ(view.Passed(), 1);
  EXPECT_EQ(run_.LastOutcome(), RunOutcome::kPassed);
  EXPECT_EQ(no_prompt_.Asked(), 0);  // a finished unit is asked only with the configure item
  EXPECT_EQ(env_.flags.file_variant.load(), FileVariant::kS3);
}

TEST_F(TestRunTest, TheVersionPicksTheCatalogueOfItsGeneration) {
  Answer(kWake, {"\r\nRUN AT\r\nOK\r\n"});
  Answer("AT+LOGIN=pilot\r", {"\r\nOK\r\n"});
  Answer("AT+GETPARAM=SPSV\r\n", {"\r\nSPSV=V2.1.5\r\nOK\r\n"});
  RecordingTestView view(RunTestOnly());
  ASSERT_TRUE(run_.Start(Settings(view.choices()), view, no_prompt_));
  // There is no S2 catalogue in the folder: the unit is tried again.
  ASSERT_TRUE(view.WaitForText(G("加载配置文件失败!\r\n连接..."_gbk)));
  run_.Stop(view);
  EXPECT_EQ(env_.flags.file_variant.load(), FileVariant::kS2);
  EXPECT_TRUE(view.Text().starts_with(G("配置测试开始!\r\n"_gbk) + G(kIdentityLines) + G("加载配置文件失败!\r\n"_gbk)));
}

TEST_F(TestRunTest, AUnitThatDoesNotWakeIsTriedAgainUntilStop) {
  env_.port->SetLinkClock(LinkClock(20));
  env_.settings.Update([](ToolSettings& s) { s.connect_timeout = 3; });
  RecordingTestView view(RunTestOnly());
  ASSERT_TRUE(run_.Start(Settings(view.choices()), view, no_prompt_));
  ASSERT_TRUE(view.WaitForText(G("连接超时!\r\n连接...\r\n连接超时!\r\n"_gbk)));
  run_.Stop(view);
  const std::string text = view.Text();
  const std::string pass = G("连接...\r\n连接超时!\r\n"_gbk);
  std::string expected = G("配置测试开始!\r\n"_gbk);
  while (expected.size() + pass.size() <= text.size() && text.compare(expected.size(), pass.size(), pass) == 0) {
    expected += pass;
  }
  if (text.compare(expected.size(), G("连接...\r\n"_gbk).size(), G("连接...\r\n"_gbk)) == 0) {
    expected += G("连接...\r\n"_gbk);
  }
  EXPECT_EQ(text, expected + G("等待配置测试线程结束...\r\n配置测试结束!\r\n"_gbk));
  // Three wake-ups per pass, and nothing else on the wire.
  const std::string wire = Wire();
  EXPECT_EQ(wire.find_first_not_of(' '), std::string::npos);
  EXPECT_GE(wire.size(), 2 * 3 * kWake.size());
  EXPECT_EQ(run_.LastOutcome(), RunOutcome::kStopped);
  EXPECT_EQ(view.Restores(), 1);  // Stop's own; the stopped run adds none
}

TEST_F(TestRunTest, AConnectTimeoutOfZeroSendsNoWakeUp) {
  env_.settings.Update([](ToolSettings& s) { s.connect_timeout = 0; });
  RecordingTestView view(RunTestOnly());
  ASSERT_TRUE(run_.Start(Settings(view.choices()), view, no_prompt_));
  ASSERT_TRUE(view.WaitForText(G("连接超时!\r\n连接...\r\n连接超时!\r\n"_gbk)));
  run_.Stop(view);
  EXPECT_EQ(Wire(), "");
}

TEST_F(TestRunTest, ARefusedLoginTriesTheUnitAgain) {
  Answer(kWake, {"\r\nRUN AT\r\nOK\r\n"});
  Answer("AT+LOGIN=pilot\r", {"\r\nERROR\r\n"});
  RecordingTestView view(RunTestOnly());
  ASSERT_TRUE(run_.Start(Settings(view.choices()), view, no_prompt_));
  ASSERT_TRUE(view.WaitForText(G("登录失败!\r\n连接...\r\n连接成功!\r\n登录失败!\r\n"_gbk)));
  run_.Stop(view);
  EXPECT_TRUE(view.Text().starts_with(G("配置测试开始!\r\n连接...\r\n连接成功!\r\n登录失败!\r\n连接...\r\n"_gbk)));
}

TEST_F(TestRunTest, ContinuousTestingGoesOnAfterTheWaitUntilTheViewSaysEnough) {
  AnswerIdentity();
  AnswerRunTest();
  TestChoices c = RunTestOnly();
  c.continuous = true;
  c.wait_time = 0;
  RecordingTestView view(c);
  view.EndAfterUnits(2);
  RunToEnd(view, no_prompt_);
  const std::string text = view.Text();
  const std::string between = G("配置测试成功!\r\n等待连续配置测试时间间隔...!\r\n连接...\r\n"_gbk);
  EXPECT_NE(text.find(between), std::string::npos);
  EXPECT_TRUE(text.ends_with(G("运行测试成功!\r\n配置测试成功!\r\n配置测试结束!\r\n"_gbk)));
  EXPECT_EQ(run_.PassedUnits(), 2);
  EXPECT_EQ(run_.LastOutcome(), RunOutcome::kPassed);
  EXPECT_EQ(dtu_.CountReceived("AT+RESET\r"), 2u);
}

TEST_F(TestRunTest, AFailedStepEndsAContinuousRun) {
  AnswerIdentity();
  AnswerRunTest(1);  // the second unit does not answer "+++"
  env_.port->SetLinkClock(LinkClock(20));
  TestChoices c = RunTestOnly();
  c.continuous = true;
  c.wait_time = 0;
  RecordingTestView view(c);
  RunToEnd(view, no_prompt_);
  EXPECT_TRUE(view.Text().ends_with(G("切换到AT指令模式失败!\r\n\r\n配置测试结束!\r\n"_gbk)));
  EXPECT_EQ(run_.PassedUnits(), 1);
  EXPECT_EQ(run_.LastOutcome(), RunOutcome::kFailed);
  EXPECT_EQ(view.Restores(), 1);
}

// ---- the failure-text buffer ---------------------------------------------------

TEST_F(TestRunTest, TheBufferKeepsTheModeLineWhenALaterStepFailsSilently) {
  AnswerIdentity();
  AnswerConfiguration();
  dtu_.AddRule({.when = "AT+RESET\r", .reply = {"\r\nOK\r\n", "READY\r\n"}, .gap = std::chrono::milliseconds(60)});
  env_.port->SetLinkClock(LinkClock(20));
  TestChoices c = ConfigureOnly();
  c.run_test_item = true;
  c.key_string = "READY";
  RecordingTestView view(c);
  RunToEnd(view, no_prompt_);
  EXPECT_TRUE(view.Text().ends_with(
      G("运行测试...\r\nREADY\r\n"_gbk) +
      G("切换到AT指令模式失败!\r\n设置DTU通道模式[SIN]成功.\r\n\r\n配置测试结束!\r\n"_gbk)))
      << view.Text();
  EXPECT_EQ(run_.LastOutcome(), RunOutcome::kFailed);
}

// ---- the serial-number question -------------------------------------------------

TEST_F(TestRunTest, AFinishedUnitIsAskedForItsNumbersWhichAreWrittenAndCompared) {
  AnswerIdentity();
  AnswerConfiguration();
  test::FixedPrompt prompt(SerialNumbers{"P01", "86012345678901"});
  RecordingTestView view(ConfigureOnly(true));
  RunToEnd(view, prompt);
  EXPECT_EQ(prompt.Asked(), 1);
  EXPECT_EQ(env_.identity.product_number, "P01");
  EXPECT_EQ(env_.identity.imei, "86012345678901");
  EXPECT_NE(view.Text().find(G("登录成功!\r\n产品编号: P01\r\n参数配置...\r\n"_gbk)), std::string::npos);
  const std::string wire = Wire();
  EXPECT_NE(wire.find("AT+SETPARAM=SPPID,P01\r\nAT+SETPARAM=IMEINUMBER,86012345678901\r\nAT+SAVEPARAM\r"),
            std::string::npos);
  EXPECT_NE(wire.find("AT+GETPARAM=SPPID\r\nAT+GETPARAM=IMEINUMBER\r\n"), std::string::npos);
  EXPECT_EQ(run_.LastOutcome(), RunOutcome::kPassed);
}

TEST_F(TestRunTest, AQuestionClosedWithoutAnswerKeepsTheNumbersOfTheUnitBefore) {
  AnswerIdentity();
  AnswerConfiguration();
  env_.identity = {"P01", "86012345678901"};
  RecordingTestView view(ConfigureOnly(true));
  RunToEnd(view, no_prompt_);
  EXPECT_EQ(no_prompt_.Asked(), 1);
  EXPECT_EQ(view.Text().find(G("产品编号: "_gbk)), std::string::npos);
  EXPECT_NE(Wire().find("AT+SETPARAM=SPPID,P01\r\n"), std::string::npos);
  EXPECT_EQ(run_.LastOutcome(), RunOutcome::kPassed);
}

TEST_F(TestRunTest, ASemiFinishedUnitIsNotAsked) {
  AnswerIdentity();
  AnswerConfiguration();
  RecordingTestView view(ConfigureOnly(false));
  RunToEnd(view, no_prompt_);
  EXPECT_EQ(no_prompt_.Asked(), 0);
  EXPECT_EQ(Wire().find("SPPID"), std::string::npos);
}

// ---- Stop ------------------------------------------------------------------------

// Stop during each kind of wait runs against the simulated DTU
// (dtusim_run_test.cpp); these are Stop's own rules.
using StopTest = TestRunTest;

TEST_F(StopTest, StopInTwoHalvesLetsTheOwnerServeTheRunMeanwhile) {
  env_.settings.Update([](ToolSettings& s) { s.connect_timeout = 600; });
  RecordingTestView view(RunTestOnly());
  ASSERT_TRUE(run_.Start(Settings(view.choices()), view, no_prompt_));
  ASSERT_TRUE(dtu_.WaitForReceived(kWake));
  run_.BeginStop(view);
  EXPECT_TRUE(view.Text().ends_with(G("连接...\r\n等待配置测试线程结束...\r\n"_gbk)));
  while (!run_.WaitFinished(std::chrono::milliseconds(10))) {
    // A window would serve its event queue here.
  }
  run_.EndStop(view);
  EXPECT_EQ(view.Text(), G("配置测试开始!\r\n连接...\r\n等待配置测试线程结束...\r\n配置测试结束!\r\n"_gbk));
  EXPECT_EQ(view.Restores(), 1);
  EXPECT_EQ(run_.LastOutcome(), RunOutcome::kStopped);
}

TEST_F(StopTest, StopAfterTheRunEndedOnlyAddsItsOwnLines) {
  RecordingTestView view(TestChoices{});
  ASSERT_TRUE(run_.Start(RunSettings{}, view, no_prompt_));
  ASSERT_TRUE(run_.WaitFinished(std::chrono::seconds(20)));
  run_.Stop(view);
  EXPECT_EQ(view.Text(), G("配置测试里没有测试项!\r\n等待配置测试线程结束...\r\n配置测试结束!\r\n"_gbk));
  EXPECT_EQ(view.Restores(), 2);
  EXPECT_EQ(run_.LastOutcome(), RunOutcome::kNoSteps);
}

TEST_F(StopTest, OneRunAtATime) {
  env_.settings.Update([](ToolSettings& s) { s.connect_timeout = 600; });
  RecordingTestView view(RunTestOnly());
  ASSERT_TRUE(run_.Start(Settings(view.choices()), view, no_prompt_));
  EXPECT_FALSE(run_.Start(Settings(view.choices()), view, no_prompt_));
  run_.Stop(view);
  // After Stop a new run starts afresh.
  RecordingTestView second(TestChoices{});
  ASSERT_TRUE(run_.Start(RunSettings{}, second, no_prompt_));
  ASSERT_TRUE(run_.WaitFinished(std::chrono::seconds(20)));
  EXPECT_EQ(second.Text(), G("配置测试里没有测试项!\r\n"_gbk));
}

}  // namespace
}  // namespace zt
