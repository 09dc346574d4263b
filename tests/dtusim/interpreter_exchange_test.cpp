// The DTU's side of each exchange, checked on the interpreter alone.
#include <gtest/gtest.h>

#include "sim_unit.h"

namespace zt::dtusim::test {
namespace {

constexpr std::string_view kS3Listing =
    "AT+GETPARAM?\r\n"
    "SPSV=3.1.2\r\n"
    "IMEINUMBER=860000000000001\r\n"
    "APN=CMIOT\r\n"
    "HBDATA=0xFE01\r\n"
    "MBCMD=0103\r\n"
    "APNUSER=NULL\r\n"
    "OPPRM=SIN\r\n"
    "ID=1\r\n"
    "SVRADDR=10.0.0.10\r\n"
    "SVRPORT=7001\r\n"
    "OK\r\n";

TEST(WakeUp, TwentyBlanksAnswerRunAtThenOkOnceTheLineIsQuiet) {
  SimUnit unit;
  EXPECT_TRUE(unit.Receive(std::string(20, ' ')).empty());
  ASSERT_TRUE(unit.interpreter().NextDeadline().has_value());
  EXPECT_EQ(*unit.interpreter().NextDeadline(), unit.now() + Interpreter::kQuietGap);
  const std::vector<Emission> answer = unit.interpreter().Advance(unit.now() + Interpreter::kQuietGap);
  ASSERT_EQ(answer.size(), 1u);
  EXPECT_EQ(answer[0].bytes, "RUN AT\r\nOK\r\n");
  EXPECT_EQ(answer[0].at, unit.now() + Interpreter::kQuietGap);
  EXPECT_TRUE(unit.interpreter().at_command_mode());
}

TEST(WakeUp, ThirteenBlanksWakeTheUnitToo) {
  SimUnit unit;
  EXPECT_EQ(unit.Say(std::string(13, ' ')), "RUN AT\r\nOK\r\n");
}

TEST(WakeUp, BlanksSplitOverSeveralReadsMakeOneRun) {
  SimUnit unit;
  unit.Receive(std::string(7, ' '));
  unit.now() += Millis(5);
  EXPECT_EQ(unit.Say(std::string(13, ' ')), "RUN AT\r\nOK\r\n");
}

TEST(WakeUp, PlusEscapeWakesTheUnit) {
  SimUnit unit;
  EXPECT_EQ(unit.Say("+++"), "RUN AT\r\nOK\r\n");
}

TEST(WakeUp, AWakeUpTypedWithEnterWakesTheUnitToo) {
  SimUnit unit;
  EXPECT_EQ(unit.Say("+++\r\n"), "RUN AT\r\nOK\r\n");
  EXPECT_EQ(unit.Say("+++\r"), "RUN AT\r\nOK\r\n");
  EXPECT_EQ(unit.Say("   \r\n"), "RUN AT\r\nOK\r\n");
}

TEST(WakeUp, BlanksFollowedByOtherDataDoNotWake) {
  SimUnit unit;
  EXPECT_EQ(unit.Say("          x"), "");
  EXPECT_EQ(unit.Say("++++x"), "");
  EXPECT_FALSE(unit.interpreter().at_command_mode());
}

TEST(WakeUp, CommandsInDataModeAreNotAnswered) {
  SimUnit unit;
  EXPECT_EQ(unit.Say("AT+CSQ\r\n"), "");
  EXPECT_EQ(unit.Say("AT+LOGIN=pilot\r"), "");
}

TEST(WakeUp, ARepeatedWakeUpIsAnsweredAgainAndLogsOut) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say(std::string(20, ' ')), "RUN AT\r\nOK\r\n");
  EXPECT_FALSE(unit.interpreter().logged_in());
  EXPECT_EQ(unit.Say("AT+CSQ\r\n"), "AT+CSQ\r\nERROR\r\n");
}

TEST(Login, RightPasswordAnswersOkWrongOneError) {
  SimUnit unit;
  unit.Say(std::string(20, ' '));
  EXPECT_EQ(unit.Say("AT+LOGIN=wrong\r"), "AT+LOGIN=wrong\rERROR\r\n");
  EXPECT_FALSE(unit.interpreter().logged_in());
  EXPECT_EQ(unit.Say("AT+LOGIN=pilot\r"), "AT+LOGIN=pilot\rOK\r\n");
  EXPECT_TRUE(unit.interpreter().logged_in());
}

TEST(Login, CommandsBeforeALoginAnswerError) {
  SimUnit unit;
  unit.Say(std::string(20, ' '));
  for (std::string_view cmd :
       {"AT+GETPARAM?\r\n", "AT+GETPARAM=SPSV\r\n", "AT+SETPARAM=APN,x\r\n", "AT+SETCHL=1\r\n",
        "AT+SAVEPARAM\r", "AT+USEDEFAULT\r\n", "AT+RESET\r", "AT+CSQ\r\n"}) {
    EXPECT_EQ(unit.Say(cmd), std::string(cmd) + "ERROR\r\n") << cmd;
  }
}

TEST(LineEnds, ACommandEndedByCrWaitsTheQuietGapForAnLf) {
  SimUnit unit;
  unit.Say(std::string(20, ' '));
  EXPECT_TRUE(unit.Receive("AT+LOGIN=pilot\r").empty());
  EXPECT_EQ(unit.interpreter().NextDeadline(), unit.now() + Interpreter::kQuietGap);
  EXPECT_EQ(SimUnit::Join(unit.interpreter().Advance(unit.now() + Interpreter::kQuietGap)),
            "AT+LOGIN=pilot\rOK\r\n");
}

TEST(LineEnds, AnLfInTheNextReadBelongsToTheCommand) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_TRUE(unit.Receive("AT+CSQ\r").empty());
  unit.now() += Millis(5);
  EXPECT_EQ(SimUnit::Join(unit.Receive("\n")), "AT+CSQ\r\n+CSQ: 23,99\r\nOK\r\n");
}

TEST(LineEnds, CrLfInOneReadIsAnsweredAtOnce) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  const std::vector<Emission> answer = unit.Receive("AT+CSQ\r\n");
  ASSERT_EQ(answer.size(), 1u);
  EXPECT_EQ(answer[0].at, unit.now());
  EXPECT_EQ(answer[0].bytes, "AT+CSQ\r\n+CSQ: 23,99\r\nOK\r\n");
}

TEST(LineEnds, TwoCommandsInOneReadAreAnsweredInOrder) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+SAVEPARAM\rAT+CSQ\r\n"), "AT+SAVEPARAM\rOK\r\nAT+CSQ\r\n+CSQ: 23,99\r\nOK\r\n");
}

TEST(LineEnds, AnLfAloneEndsALineToo) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  const std::vector<Emission> answer = unit.Receive("AT+CSQ\n");
  ASSERT_EQ(answer.size(), 1u);
  EXPECT_EQ(answer[0].bytes, "AT+CSQ\n+CSQ: 23,99\r\nOK\r\n");
}

TEST(LineEnds, ABareLineEndIsEchoedWithoutAnAnswer) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("\r"), "\r");
}

TEST(LineEnds, AnOverlongLineKeepsItsStartAndAnswersError) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  const std::string answer = unit.Say("AT+" + std::string(10000, 'A') + "\r\n");
  EXPECT_EQ(answer, "AT+" + std::string(Interpreter::kMaxLine - 3, 'A') + "\r\nERROR\r\n");
}

TEST(Version, SpsvAnswersTheSoftwareVersion) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+GETPARAM=SPSV\r\n"), "AT+GETPARAM=SPSV\r\nSPSV=3.1.2\r\nOK\r\n");
}

TEST(Query, ListsTheBaseLinesThenOneBlockPerChannelOfTheMode) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+GETPARAM?\r\n"), kS3Listing);
}

TEST(Query, ListsEveryChannelOfTheCurrentModeFromOne) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  ASSERT_EQ(unit.Say("AT+USEDEFAULT=BAK\r\n"), "AT+USEDEFAULT=BAK\r\nOK\r\n");
  const std::string listing = unit.Say("AT+GETPARAM?\r\n");
  EXPECT_NE(listing.find("OPPRM=BAK\r\nID=1\r\nSVRADDR=10.0.1.1\r\nSVRPORT=5001\r\n"
                         "ID=2\r\nSVRADDR=10.0.1.2\r\nSVRPORT=5002\r\nOK\r\n"),
            std::string::npos)
      << listing;
}

TEST(Query, AnS2UnitHasNoChannelBlocks) {
  SimUnit unit(kS2Profile);
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+GETPARAM?\r\n"),
            "AT+GETPARAM?\r\nSPSV=2.1.5\r\nAPN=CMIOT\r\nOPPRM=SIN\r\nSVRADDR=10.0.0.10\r\nOK\r\n");
}

TEST(GetParam, AnswersKeywordEqualsValueThenOk) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+GETPARAM=APN\r\n"), "AT+GETPARAM=APN\r\nAPN=CMIOT\r\nOK\r\n");
}

TEST(GetParam, EmptyValueReadsNullAndHexValuesKeepTheirProfileForm) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+GETPARAM=APNUSER\r\n"), "AT+GETPARAM=APNUSER\r\nAPNUSER=NULL\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=HBDATA\r\n"), "AT+GETPARAM=HBDATA\r\nHBDATA=0xFE01\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=MBCMD\r\n"), "AT+GETPARAM=MBCMD\r\nMBCMD=0103\r\nOK\r\n");
}

TEST(GetParam, UnknownKeywordAnswersError) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+GETPARAM=NOSUCH\r\n"), "AT+GETPARAM=NOSUCH\r\nERROR\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=\r\n"), "AT+GETPARAM=\r\nERROR\r\n");
}

TEST(GetParam, ProductNumberAndImeiAreReadable) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+GETPARAM=SPPID\r\n"), "AT+GETPARAM=SPPID\r\nSPPID=P0001\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=IMEINUMBER\r\n"),
            "AT+GETPARAM=IMEINUMBER\r\nIMEINUMBER=860000000000001\r\nOK\r\n");
}

TEST(SetParam, AnswersOkAndTheValueReadsBack) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+SETPARAM=APN,my apn,x\r\n"), "AT+SETPARAM=APN,my apn,x\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=APN\r\n"), "AT+GETPARAM=APN\r\nAPN=my apn,x\r\nOK\r\n");
}

TEST(SetParam, UnknownKeywordOrMissingCommaAnswersError) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+SETPARAM=NOSUCH,1\r\n"), "AT+SETPARAM=NOSUCH,1\r\nERROR\r\n");
  EXPECT_EQ(unit.Say("AT+SETPARAM=APN\r\n"), "AT+SETPARAM=APN\r\nERROR\r\n");
  EXPECT_EQ(unit.Say("AT+SETPARAM=,x\r\n"), "AT+SETPARAM=,x\r\nERROR\r\n");
  EXPECT_EQ(unit.Say("AT+SETPARAM=SPSV,9.9.9\r\n"), "AT+SETPARAM=SPSV,9.9.9\r\nERROR\r\n");
}

TEST(SetParam, ProductNumberAndImeiAreSettableOnAnS3Unit) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+SETPARAM=SPPID,ZR0042\r\n"), "AT+SETPARAM=SPPID,ZR0042\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+SETPARAM=IMEINUMBER,86111\r\n"), "AT+SETPARAM=IMEINUMBER,86111\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=SPPID\r\n"), "AT+GETPARAM=SPPID\r\nSPPID=ZR0042\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=IMEINUMBER\r\n"), "AT+GETPARAM=IMEINUMBER\r\nIMEINUMBER=86111\r\nOK\r\n");
}

TEST(SetParam, OpprmSwitchesTheModeOfAnS3Unit) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+SETPARAM=OPPRM,BAK\r\n"), "AT+SETPARAM=OPPRM,BAK\r\nOK\r\n");
  EXPECT_EQ(unit.state().pending().mode, "BAK");
  EXPECT_EQ(unit.Say("AT+SETPARAM=OPPRM,MUL\r\n"), "AT+SETPARAM=OPPRM,MUL\r\nERROR\r\n");  // no MUL blocks
  EXPECT_EQ(unit.Say("AT+SETPARAM=OPPRM,sin\r\n"), "AT+SETPARAM=OPPRM,sin\r\nERROR\r\n");
}

TEST(SetImei, AnS2UnitTakesItsImeiThroughSetimei) {
  SimUnit unit(kS2Profile);
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+SETIMEI=86222\r\n"), "AT+SETIMEI=86222\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=IMEINUMBER\r\n"), "AT+GETPARAM=IMEINUMBER\r\nIMEINUMBER=86222\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+SETPARAM=IMEINUMBER,1\r\n"), "AT+SETPARAM=IMEINUMBER,1\r\nERROR\r\n");
}

TEST(SetImei, AnS3UnitRefusesSetimei) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+SETIMEI=86222\r\n"), "AT+SETIMEI=86222\r\nERROR\r\n");
}

TEST(SetChannel, SelectsTheBlockThatLaterSetsWrite) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  ASSERT_EQ(unit.Say("AT+USEDEFAULT=BAK\r\n"), "AT+USEDEFAULT=BAK\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+SETCHL=2\r\n"), "AT+SETCHL=2\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+SETPARAM=SVRPORT,6002\r\n"), "AT+SETPARAM=SVRPORT,6002\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=SVRPORT\r\n"), "AT+GETPARAM=SVRPORT\r\nSVRPORT=6002\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+SETCHL=1\r\n"), "AT+SETCHL=1\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=SVRPORT\r\n"), "AT+GETPARAM=SVRPORT\r\nSVRPORT=5001\r\nOK\r\n");
}

TEST(SetChannel, AChannelTheModeLacksAnswersError) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+SETCHL=2\r\n"), "AT+SETCHL=2\r\nERROR\r\n");
  EXPECT_EQ(unit.Say("AT+SETCHL=x\r\n"), "AT+SETCHL=x\r\nERROR\r\n");
}

TEST(SetChannel, AnS2UnitHasNoChannels) {
  SimUnit unit(kS2Profile);
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+SETCHL=1\r\n"), "AT+SETCHL=1\r\nERROR\r\n");
}

TEST(SaveAndReset, AResetDropsValuesThatWereNotSaved) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  unit.Say("AT+SETPARAM=APN,PENDING\r\n");
  unit.Say("AT+RESET\r");
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+GETPARAM=APN\r\n"), "AT+GETPARAM=APN\r\nAPN=CMIOT\r\nOK\r\n");
}

TEST(SaveAndReset, SavedValuesSurviveAReset) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  unit.Say("AT+SETPARAM=APN,SAVED\r\n");
  EXPECT_EQ(unit.Say("AT+SAVEPARAM\r"), "AT+SAVEPARAM\rOK\r\n");
  unit.Say("AT+RESET\r\n");
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+GETPARAM=APN\r\n"), "AT+GETPARAM=APN\r\nAPN=SAVED\r\nOK\r\n");
}

TEST(Defaults, PlainFormRestoresFactoryValuesAndKeepsTheMode) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+USEDEFAULT\r\n"), "AT+USEDEFAULT\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=APN\r\n"), "AT+GETPARAM=APN\r\nAPN=CMNET\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=SVRADDR\r\n"), "AT+GETPARAM=SVRADDR\r\nSVRADDR=192.168.1.100\r\nOK\r\n");
  EXPECT_EQ(unit.state().pending().mode, "SIN");
}

TEST(Defaults, ModeFormChangesTheModeOfAnS3UnitAndOpprmFollows) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+USEDEFAULT=BAK\r\n"), "AT+USEDEFAULT=BAK\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=OPPRM\r\n"), "AT+GETPARAM=OPPRM\r\nOPPRM=BAK\r\nOK\r\n");
}

TEST(Defaults, FactoryValuesArePermanentAndKeepTheIdentity) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  unit.Say("AT+USEDEFAULT=BAK\r\n");
  unit.Say("AT+RESET\r");
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+GETPARAM=OPPRM\r\n"), "AT+GETPARAM=OPPRM\r\nOPPRM=BAK\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=SPPID\r\n"), "AT+GETPARAM=SPPID\r\nSPPID=P0001\r\nOK\r\n");
}

TEST(Defaults, UnknownModeAnswersError) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+USEDEFAULT=XYZ\r\n"), "AT+USEDEFAULT=XYZ\r\nERROR\r\n");
  EXPECT_EQ(unit.Say("AT+USEDEFAULT=sin\r\n"), "AT+USEDEFAULT=sin\r\nERROR\r\n");
}

TEST(Defaults, AnS2UnitTakesOnlyThePlainForm) {
  SimUnit unit(kS2Profile);
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+USEDEFAULT=SIN\r\n"), "AT+USEDEFAULT=SIN\r\nERROR\r\n");
  EXPECT_EQ(unit.Say("AT+USEDEFAULT\r\n"), "AT+USEDEFAULT\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=APN\r\n"), "AT+GETPARAM=APN\r\nAPN=CMNET\r\nOK\r\n");
}

TEST(Reset, AnswersOkThenTheBannerAfterTheBootDelayThenTheReadyText) {
  SimUnit unit(kS3Profile, {}, Millis(250));
  ASSERT_TRUE(unit.WakeAndLogin());
  const Millis sent = unit.now();
  unit.Say("AT+RESET\r");
  const std::vector<Emission>& out = unit.last();
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].bytes, "AT+RESET\rOK\r\n");
  const Millis ok_at = sent + Interpreter::kQuietGap;
  EXPECT_EQ(out[0].at, ok_at);
  EXPECT_EQ(out[1].bytes,
            "\r\nIMEI Number: 860000000000001\r\nManufacturer: ZEREL\r\nProduct Name: ZR-3100\r\n"
            "Revision: R3\r\n");
  EXPECT_EQ(out[1].at, ok_at + Millis(250));
  EXPECT_EQ(out[2].bytes, "UNIT READY\r\n");
  EXPECT_EQ(out[2].at, ok_at + Millis(250) + Interpreter::kReadyGap);
}

TEST(Reset, CrLfFormIsAnsweredAlike) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+RESET\r\n").substr(0, 14), "AT+RESET\r\nOK\r\n");
}

TEST(Reset, TheUnitBootsIntoDataModeLoggedOutAndLosesInputWhileBooting) {
  SimUnit unit(kS3Profile, {}, Millis(300));
  ASSERT_TRUE(unit.WakeAndLogin());
  std::vector<Emission> out = unit.Receive("AT+RESET\r\n");
  ASSERT_FALSE(out.empty());
  EXPECT_FALSE(unit.interpreter().at_command_mode());
  EXPECT_FALSE(unit.interpreter().logged_in());
  unit.now() += Millis(100);
  EXPECT_TRUE(unit.Receive("+++").empty());
  EXPECT_FALSE(unit.interpreter().NextDeadline().has_value());
  unit.now() += Millis(1000);
  EXPECT_EQ(unit.Say("+++"), "RUN AT\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+CSQ\r\n"), "AT+CSQ\r\nERROR\r\n");
}

TEST(Signal, CsqAnswersTheSignalAnd99) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+CSQ\r\n"), "AT+CSQ\r\n+CSQ: 23,99\r\nOK\r\n");
}

TEST(Unknown, AnythingElseAnswersError) {
  SimUnit unit;
  ASSERT_TRUE(unit.WakeAndLogin());
  for (std::string_view cmd : {"AT\r\n", "at+csq\r\n", "AT+GETPARAM?X\r\n", "AT+SAVEPARAMS\r", "hello\r"}) {
    EXPECT_EQ(unit.Say(cmd), std::string(cmd) + "ERROR\r\n") << cmd;
  }
}

}  // namespace
}  // namespace zt::dtusim::test
