// Configure and compare against the simulated DTU with the shipped
// catalogues: the exchanges on the wire, channel selection by the file's
// mode, refused values, mismatches and the finished unit's numbers.
#include <gtest/gtest.h>

#include <algorithm>

#include "dtusim_run_support.h"
#include "params/shared_catalogue.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::Gbk;

const std::string kWake(13, ' ');

class DtuSimSteps : public test::DtuSimRunTest {
 protected:
  std::string File(FileVariant variant, std::int32_t mode, const std::map<std::string, std::string>& values = {}) {
    const std::string profile = variant == FileVariant::kS3 ? "dtusim_s3.profile" : "dtusim_s2.profile";
    std::string file = test::MakeConfigFile(dir_.File("config"), variant, mode, profile, values);
    EXPECT_FALSE(file.empty()) << "the configuration file could not be made";
    return file;
  }

  // What the setting pass sends for the file's mode: every writable
  // parameter of groups 1 to G, channel groups of the mode after their
  // "AT+SETCHL" (no selection at all without a mode).
  std::string ExpectedSetting(const std::string& file, std::int32_t mode) {
    const ProfileFile config = ProfileFile::Load(file);
    return env_->catalogue.Read([&](const CParamCatalogue& c) {
      std::string wire;
      for (int g = 1; g < kGroupSlots; ++g) {
        const ParamGroup& group = c.groups[g];
        if (!group.used()) continue;
        if (mode != 0 && group.chn > 0) {
          if ((group.dtu_run_type & mode) == 0) continue;
          wire += Format("AT+SETCHL=%d\r\n", group.chn);
        }
        for (int i = 0; i < group.UsedCount(); ++i) {
          const ParamDef& p = group.params[i];
          if (p.readonly) continue;
          std::string value = config.Get(group.name, p.name).value_or("");
          if (p.is_cust_param) value.erase(std::remove(value.begin(), value.end(), ' '), value.end());
          wire += "AT+SETPARAM=" + p.short_name + "," + value + "\r\n";
        }
      }
      return wire;
    });
  }

  // The wire after the wake-ups (a wake-up may be repeated).
  std::string SentAfterWakeUp() const {
    const std::string sent = Sent();
    EXPECT_TRUE(sent.starts_with(kWake));
    return sent.substr(sent.find_first_not_of(' '));
  }
};

TEST_F(DtuSimSteps, ASemiFinishedUnitPassesConfigureCompareAndRunTest) {
  StartSim();
  const std::string file = File(FileVariant::kS3, kModeSin);
  TestChoices c = Configure(file);
  c.run_test_item = true;
  c.key_string = "ZR-3100 READY";
  c.signal_threshold = 15;
  const std::string text = RunToEnd(c);
  EXPECT_TRUE(text.starts_with(Gbk("配置测试开始!\r\n连接...\r\n连接成功!\r\n登录成功!\r\n参数配置...\r\n设置通道模式!\r\n"
                                   "DTU通道模式为[SIN].\r\n 选择了通道 1，设置通道参数 \r\n参数配置成功!\r\n"
                                   "配置比较...\r\n 选择了通道 1，检查参数配置 \r\n配置比较正确!\r\n运行测试...\r\n"_gbk)))
      << text;
  EXPECT_TRUE(text.ends_with(Gbk("登录成功!\r\n查询信号强度成功，信号强度为[23]!\r\n"
                                 "IMEI Number: 860123456789012\r\nManufacturer: 泽雷通信\r\nProduct Name: ZR-3100\r\n"
                                 "Revision: ZR3100_S3_3.1.2\r\n产品编号：运行测试成功!\r\n配置测试成功!\r\n配置测试结束!\r\n"_gbk)))
      << text;
  EXPECT_NE(text.find("ZR-3100 READY"), std::string::npos);
  EXPECT_EQ(run_->LastOutcome(), RunOutcome::kPassed);

  const std::string setting = ExpectedSetting(file, kModeSin);
  EXPECT_TRUE(SentAfterWakeUp().starts_with("AT+LOGIN=pilot\rAT+GETPARAM=SPSV\r\nAT+USEDEFAULT=SIN\r\n" + setting +
                                            "AT+SAVEPARAM\rAT+GETPARAM="));
  EXPECT_TRUE(Sent().ends_with("AT+RESET\r+++AT+LOGIN=pilot\rAT+CSQ\r\n"));
  EXPECT_EQ(CountSent("AT+SETCHL=1\r\n"), 2u);
  EXPECT_EQ(CountSent("AT+SETCHL="), 2u);
}

TEST_F(DtuSimSteps, AMulFileSetsAndComparesTheMulChannelsOnly) {
  StartSim();
  const std::string file = File(FileVariant::kS3, kModeMul);
  // The BAK group of channel 2 is in the file (MUL has a channel 2) with a
  // value that no check would let through: it must not even be read.
  ProfileFile config = ProfileFile::Load(file);
  ASSERT_TRUE(config.HasSection(Gbk("通道2参数(主备通道)"_gbk)));
  config.Set(Gbk("通道2参数(主备通道)"_gbk), Gbk("服务器地址"_gbk), "not an address");
  ASSERT_TRUE(config.Save(file));

  const std::string text = RunToEnd(Configure(file));
  EXPECT_TRUE(text.ends_with(Gbk("配置比较正确!\r\n配置测试成功!\r\n配置测试结束!\r\n"_gbk))) << text;
  for (int ch = 1; ch <= 4; ++ch) {
    EXPECT_NE(text.find(Format(" 选择了通道 %d，设置通道参数 \r\n"_gbk, ch)), std::string::npos);
    EXPECT_NE(text.find(Format(" 选择了通道 %d，检查参数配置 \r\n"_gbk, ch)), std::string::npos);
  }
  EXPECT_EQ(CountSent("AT+USEDEFAULT=MUL\r\n"), 1u);
  EXPECT_EQ(CountSent("AT+SETCHL="), 8u);
  EXPECT_EQ(CountSent("AT+SETPARAM=SVRADDR,"), 4u);
  EXPECT_EQ(CountSent("AT+GETPARAM=SVRADDR\r\n"), 4u);
  EXPECT_EQ(CountSent("not an address"), 0u);
  EXPECT_TRUE(SentAfterWakeUp().starts_with("AT+LOGIN=pilot\rAT+GETPARAM=SPSV\r\nAT+USEDEFAULT=MUL\r\n" +
                                            ExpectedSetting(file, kModeMul) + "AT+SAVEPARAM\r"));
}

TEST_F(DtuSimSteps, ListChoicesAndSpacedHexFromTheViewGoOutInWireFormAndCompareEqual) {
  // A file exported after the operator chose options in the view holds the
  // options' display texts; the unit takes and reports wire values.
  StartSim();
  const std::string file =
      File(FileVariant::kS3, kModeSin, {{"UPARITY", Gbk("偶校验"_gbk)}, {"PROTO", "UDP"}, {"HBDATA", "fe 01 02"}});
  const std::string text = RunToEnd(Configure(file));
  EXPECT_TRUE(text.ends_with(Gbk("配置比较正确!\r\n配置测试成功!\r\n配置测试结束!\r\n"_gbk))) << text;
  EXPECT_EQ(CountSent("AT+SETPARAM=UPARITY,2\r\n"), 1u);
  EXPECT_EQ(CountSent("AT+SETPARAM=PROTO,1\r\n"), 1u);
  EXPECT_EQ(CountSent("AT+SETPARAM=HBDATA,fe0102\r\n"), 1u);
}

TEST_F(DtuSimSteps, AFileWithoutAModeNeitherRestoresNorSelectsChannels) {
  StartS2Sim();
  const std::string file = File(FileVariant::kS2, kModeSin);  // the S2 catalogue has no mode entry
  ASSERT_EQ(test::ReadFileBytes(file).find(Gbk("DTU通道运行模式"_gbk)), std::string::npos);
  const std::string text = RunToEnd(Configure(file));
  EXPECT_TRUE(text.ends_with(Gbk("参数配置成功!\r\n配置比较...\r\n配置比较正确!\r\n配置测试成功!\r\n配置测试结束!\r\n"_gbk)))
      << text;
  EXPECT_EQ(text.find(Gbk("设置通道模式"_gbk)), std::string::npos);
  EXPECT_EQ(CountSent("AT+USEDEFAULT"), 0u);
  EXPECT_EQ(CountSent("AT+SETCHL"), 0u);
  EXPECT_TRUE(SentAfterWakeUp().starts_with("AT+LOGIN=pilot\rAT+GETPARAM=SPSV\r\n" + ExpectedSetting(file, 0) +
                                            "AT+SAVEPARAM\r"));
  EXPECT_EQ(env_->flags.file_variant.load(), FileVariant::kS2);
}

TEST_F(DtuSimSteps, AnS2FileThatNamesAModeAsksForThatModesDefaults) {
  // The earlier generation has no channel modes, but a file's mode entry
  // (written by hand here) is what decides; this unit refuses the request.
  StartS2Sim();
  const std::string file = File(FileVariant::kS2, kModeSin);
  ASSERT_TRUE(ProfileWriteString(file, "运行参数"_gbk, "DTU通道运行模式"_gbk, "SIN"));
  const std::string text = RunToEnd(Configure(file));
  EXPECT_TRUE(text.ends_with(Gbk("设置通道模式!\r\n设置通道模式出错!\r\n发送恢复默认参数值指令失败*** \r\n\r\n配置测试结束!\r\n"_gbk)))
      << text;
  EXPECT_EQ(CountSent("AT+USEDEFAULT=SIN\r\n"), 1u);
}

TEST_F(DtuSimSteps, AnS3FileWithoutAModeReadsAndSendsEveryChannelGroup) {
  // A unit held in MULB takes any mode value; every channel group holds the
  // same values, so that whichever channel answers compares equal.
  StartSim({"--report-mode", "MULB"});
  // A MULB export holds every channel group: channels 1 to 4 exist in MULB.
  const std::string file = File(FileVariant::kS3, kModeMulb,
                                {{"CHNEN", "1"}, {"SVRADDR", "10.0.0.10"}, {"SVRPORT", "7001"}, {"PROTO", "0"},
                                 {"BAKADDR", "10.0.0.11"}, {"BAKPORT", "6001"}});
  test::RemoveKey(file, Gbk("DTU通道运行模式"_gbk));
  const std::string text = RunToEnd(Configure(file));
  EXPECT_TRUE(text.ends_with(Gbk("参数配置成功!\r\n配置比较...\r\n配置比较正确!\r\n配置测试成功!\r\n配置测试结束!\r\n"_gbk)))
      << text;
  EXPECT_EQ(CountSent("AT+USEDEFAULT"), 0u);
  EXPECT_EQ(CountSent("AT+SETCHL"), 0u);
  // The eleven channel groups of all modes, one after the other, and the
  // mode parameter without a value.
  EXPECT_EQ(CountSent("AT+SETPARAM=CHNEN,1\r\n"), 11u);
  EXPECT_EQ(CountSent("AT+SETPARAM=OPPRM,\r\n"), 1u);
  EXPECT_TRUE(SentAfterWakeUp().starts_with("AT+LOGIN=pilot\rAT+GETPARAM=SPSV\r\n" + ExpectedSetting(file, 0) +
                                            "AT+SAVEPARAM\r"));
}

TEST_F(DtuSimSteps, AValueTheChecksRefuseShowsTheirMessageAndFailsBeforeAnythingIsSent) {
  StartSim();
  const std::string file = File(FileVariant::kS3, kModeSin, {{"DEVNAME", "9lives"}});
  const std::string text = RunToEnd(Configure(file));
  EXPECT_TRUE(text.ends_with(Gbk("登录成功!\r\n参数配置...\r\n设备名称配置不正确\r\n配置测试结束!\r\n"_gbk))) << text;
  const std::vector<test::ShownBox> boxes = env_->boxes.Shown();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, Gbk("设备名称参数配置不正确"_gbk));
  EXPECT_EQ(boxes[0].caption, Gbk("提示"_gbk));
  EXPECT_EQ(boxes[0].icon, MessageIcon::kError);
  EXPECT_EQ(CountSent("AT+SETPARAM"), 0u);
  EXPECT_EQ(CountSent("AT+USEDEFAULT"), 0u);
  EXPECT_EQ(run_->LastOutcome(), RunOutcome::kFailed);
}

TEST_F(DtuSimSteps, ACompareMismatchNamesTheParameter) {
  StartSim({"--value", "DEVNAME=OTHER"});
  const std::string text = RunToEnd(Configure(File(FileVariant::kS3, kModeSin)));
  EXPECT_TRUE(text.ends_with(Gbk("配置比较...\r\n校验配置信息失败: 设备名称\r\n配置测试结束!\r\n"_gbk))) << text;
  EXPECT_EQ(run_->LastOutcome(), RunOutcome::kFailed);
}

TEST_F(DtuSimSteps, HexValuesCompareWithoutPrefixBlanksOrLetterCase) {
  StartSim({"--value", "HBDATA=0xFe01"});
  const std::string file = File(FileVariant::kS3, kModeSin, {{"HBDATA", "fE 01"}});
  const std::string text = RunToEnd(Configure(file));
  EXPECT_TRUE(text.ends_with(Gbk("配置比较正确!\r\n配置测试成功!\r\n配置测试结束!\r\n"_gbk))) << text;
  // The blanks go before the value goes out, as the configuration worker sends it.
  EXPECT_EQ(CountSent("AT+SETPARAM=HBDATA,fE01\r\n"), 1u);
}

TEST_F(DtuSimSteps, AHexValueWithOtherDigitsDoesNotCompare) {
  StartSim({"--value", "HBDATA=0xFE02"});
  const std::string text = RunToEnd(Configure(File(FileVariant::kS3, kModeSin)));
  EXPECT_TRUE(text.ends_with(Gbk("校验配置信息失败: 心跳包内容\r\n配置测试结束!\r\n"_gbk))) << text;
}

TEST_F(DtuSimSteps, AnEmptyValueIsNotComparedWhateverTheUnitReports) {
  StartSim({"--value", "APNUSER=someone"});
  const std::string file = File(FileVariant::kS3, kModeSin);
  ASSERT_NE(test::ReadFileBytes(file).find(Gbk("APN用户名=\r\n"_gbk)), std::string::npos);
  const std::string text = RunToEnd(Configure(file));
  EXPECT_TRUE(text.ends_with(Gbk("配置比较正确!\r\n配置测试成功!\r\n配置测试结束!\r\n"_gbk))) << text;
}

TEST_F(DtuSimSteps, ARefusedSettingNamesTheParameter) {
  StartSim({"--error-on", "APN"});
  const std::string text = RunToEnd(Configure(File(FileVariant::kS3, kModeSin)));
  EXPECT_TRUE(text.ends_with(Gbk("发送参数接入点名称失败\r\n配置测试结束!\r\n"_gbk))) << text;
}

TEST_F(DtuSimSteps, ARefusedChannelSelectionFailsWithTheModeLineLeftInTheBuffer) {
  StartSim({"--error-on", "AT+SETCHL=1"});
  const std::string text = RunToEnd(Configure(File(FileVariant::kS3, kModeSin)));
  // The channel failure writes no text of its own: the mode step's line is
  // what the buffer holds.
  EXPECT_TRUE(text.ends_with(Gbk("设置通道模式出错!\r\n设置DTU通道模式[SIN]成功.\r\n\r\n配置测试结束!\r\n"_gbk))) << text;
}

TEST_F(DtuSimSteps, ARefusedSaveFailsTheConfiguration) {
  StartSim({"--error-on", "AT+SAVEPARAM"});
  const std::string text = RunToEnd(Configure(File(FileVariant::kS3, kModeSin)));
  EXPECT_TRUE(text.ends_with(Gbk("配置参数失败\r\n配置测试结束!\r\n"_gbk))) << text;
  EXPECT_EQ(CountSent("AT+SAVEPARAM\r"), 1u);  // an ERROR ends the exchange at once
}

// ---- the finished unit's numbers ------------------------------------------------

TEST_F(DtuSimSteps, AFinishedS3UnitGetsItsNumbersWrittenAndCompared) {
  StartSim();
  test::FixedPrompt prompt(SerialNumbers{"ZR3100C0007", "86012345678907"});
  const std::string text = RunToEnd(Configure(File(FileVariant::kS3, kModeSin), true), &prompt);
  EXPECT_NE(text.find(Gbk("登录成功!\r\n产品编号: ZR3100C0007\r\n参数配置...\r\n"_gbk)), std::string::npos);
  EXPECT_TRUE(text.ends_with(Gbk("配置比较正确!\r\n配置测试成功!\r\n配置测试结束!\r\n"_gbk))) << text;
  EXPECT_NE(Sent().find("AT+SETPARAM=SPPID,ZR3100C0007\r\nAT+SETPARAM=IMEINUMBER,86012345678907\r\nAT+SAVEPARAM\r"),
            std::string::npos);
  EXPECT_TRUE(Sent().ends_with("AT+GETPARAM=SPPID\r\nAT+GETPARAM=IMEINUMBER\r\n"));
  EXPECT_EQ(env_->identity.product_number, "ZR3100C0007");
}

TEST_F(DtuSimSteps, AFinishedS2UnitGetsItsImeiWithItsOwnCommand) {
  StartS2Sim();
  const std::string file = File(FileVariant::kS2, kModeSin);
  test::FixedPrompt prompt(SerialNumbers{"ZR3100D0001", "86012345678920"});
  const std::string text = RunToEnd(Configure(file, true), &prompt);
  EXPECT_TRUE(text.ends_with(Gbk("配置比较正确!\r\n配置测试成功!\r\n配置测试结束!\r\n"_gbk))) << text;
  EXPECT_NE(Sent().find("AT+SETPARAM=SPPID,ZR3100D0001\r\nAT+SETIMEI=86012345678920\r\nAT+SAVEPARAM\r"),
            std::string::npos);
  EXPECT_EQ(CountSent("IMEINUMBER,"), 0u);
}

TEST_F(DtuSimSteps, AFifteenDigitImeiIsRefusedByTheConfiguration) {
  StartSim();
  test::FixedPrompt prompt(SerialNumbers{"ZR3100C0008", "860123456789081"});
  const std::string text = RunToEnd(Configure(File(FileVariant::kS3, kModeSin), true), &prompt);
  EXPECT_TRUE(text.ends_with(Gbk("产品IMEI号不应该超过14个字符\r\n配置测试结束!\r\n"_gbk))) << text;
  EXPECT_EQ(CountSent("IMEINUMBER,"), 0u);
  EXPECT_EQ(CountSent("AT+SETPARAM=SPPID,ZR3100C0008\r\n"), 1u);
}

TEST_F(DtuSimSteps, ANumberWithAControlByteNeverGoesOnTheWire) {
  // Whatever the prompt lets through: the command builder refuses it, and
  // the step fails with its usual line.
  StartSim();
  const std::string file = File(FileVariant::kS3, kModeSin);
  const struct {
    SerialNumbers numbers;
    std::string failure;
    std::string not_sent;
  } cases[] = {
      {{"P1\rAT+RESET", "86012345678907"}, Gbk("发送产品编号失败"_gbk), "SPPID,"},
      {{"ZR3100C0011", "8601234567\n890"}, Gbk("发送产品IMEI号失败"_gbk), "IMEINUMBER,"},
  };
  for (const auto& c : cases) {
    test::FixedPrompt prompt(c.numbers);
    const std::string text = RunToEnd(Configure(file, true), &prompt);
    EXPECT_TRUE(text.ends_with(c.failure + "\r\n" + Gbk("配置测试结束!\r\n"_gbk))) << text;
    EXPECT_EQ(CountSent(c.not_sent), 0u) << c.not_sent;
    EXPECT_EQ(CountSent("AT+RESET"), 0u);
    EXPECT_EQ(CountSent("AT+SAVEPARAM"), 0u);
  }
  EXPECT_EQ(CountSent("AT+SETPARAM=SPPID,ZR3100C0011\r\n"), 1u);  // the second unit's product number went out
}

TEST_F(DtuSimSteps, TheCompareLooksAtTheFirstFourteenDigitsOfTheImei) {
  StartSim({"--value", "IMEINUMBER=860123456789079"});
  test::FixedPrompt prompt(SerialNumbers{"ZR3100C0009", "86012345678907"});
  const std::string text = RunToEnd(Configure(File(FileVariant::kS3, kModeSin), true), &prompt);
  EXPECT_TRUE(text.ends_with(Gbk("配置比较正确!\r\n配置测试成功!\r\n配置测试结束!\r\n"_gbk))) << text;
}

TEST_F(DtuSimSteps, AnotherImeiOnTheUnitFailsTheCompare) {
  StartSim({"--value", "IMEINUMBER=860123456789999"});
  test::FixedPrompt prompt(SerialNumbers{"ZR3100C0009", "86012345678907"});
  const std::string text = RunToEnd(Configure(File(FileVariant::kS3, kModeSin), true), &prompt);
  EXPECT_TRUE(text.ends_with(Gbk("校验产品IMEI号失败\r\n配置测试结束!\r\n"_gbk))) << text;
}

TEST_F(DtuSimSteps, AnotherProductNumberOnTheUnitFailsTheCompare) {
  StartSim({"--value", "SPPID=ZR3100X0000"});
  test::FixedPrompt prompt(SerialNumbers{"ZR3100C0010", "86012345678907"});
  const std::string text = RunToEnd(Configure(File(FileVariant::kS3, kModeSin), true), &prompt);
  EXPECT_TRUE(text.ends_with(Gbk("校验产品编号失败\r\n配置测试结束!\r\n"_gbk))) << text;
}

}  // namespace
}  // namespace zt
