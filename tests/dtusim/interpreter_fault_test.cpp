// Faults on request, checked on the interpreter alone.
#include <gtest/gtest.h>

#include "sim_unit.h"

namespace zt::dtusim::test {
namespace {

Faults With(void (*set)(Faults&)) {
  Faults f;
  set(f);
  return f;
}

TEST(Mute, AMutedUnitNeverAnswers) {
  SimUnit unit(kS3Profile, With([](Faults& f) { f.mute = true; }));
  EXPECT_EQ(unit.Say(std::string(20, ' ')), "");
  EXPECT_EQ(unit.Say("+++"), "");
  EXPECT_TRUE(unit.interpreter().silenced());
}

TEST(Mute, MuteAfterAnswersThatManyExchangesThenNothing) {
  SimUnit unit(kS3Profile, With([](Faults& f) { f.mute_after = 2; }));
  EXPECT_EQ(unit.Say(std::string(20, ' ')), "RUN AT\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+LOGIN=pilot\r"), "AT+LOGIN=pilot\rOK\r\n");
  EXPECT_EQ(unit.Say("AT+CSQ\r\n"), "");
  EXPECT_EQ(unit.Say(std::string(20, ' ')), "");
}

TEST(ErrorOn, ACommandPrefixAnswersError) {
  SimUnit unit(kS3Profile, With([](Faults& f) { f.error_on = {"AT+SAVEPARAM"}; }));
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+SAVEPARAM\r"), "AT+SAVEPARAM\rERROR\r\n");
  EXPECT_EQ(unit.Say("AT+CSQ\r\n"), "AT+CSQ\r\n+CSQ: 23,99\r\nOK\r\n");
}

TEST(ErrorOn, AKeywordAnswersErrorToItsGetAndSet) {
  SimUnit unit(kS3Profile, With([](Faults& f) { f.error_on = {"APN"}; }));
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+SETPARAM=APN,x\r\n"), "AT+SETPARAM=APN,x\r\nERROR\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=APN\r\n"), "AT+GETPARAM=APN\r\nERROR\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=APNUSER\r\n"), "AT+GETPARAM=APNUSER\r\nAPNUSER=NULL\r\nOK\r\n");
}

TEST(ErrorOn, TheLoginCanBeRefused) {
  SimUnit unit(kS3Profile, With([](Faults& f) { f.error_on = {"AT+LOGIN"}; }));
  unit.Say(std::string(20, ' '));
  EXPECT_EQ(unit.Say("AT+LOGIN=pilot\r"), "AT+LOGIN=pilot\rERROR\r\n");
}

TEST(Delay, EveryAnswerLeavesThatMuchLater) {
  SimUnit unit(kS3Profile, With([](Faults& f) { f.reply_delay = Millis(1500); }));
  const Millis t = unit.now();
  unit.Say(std::string(20, ' '));
  ASSERT_EQ(unit.last().size(), 1u);
  EXPECT_EQ(unit.last()[0].at, t + Interpreter::kQuietGap + Millis(1500));
  const std::vector<Emission> out = unit.Receive("AT+LOGIN=pilot\r\n");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].at, unit.now() + Millis(1500));
}

TEST(LfOnly, LinesTheUnitSendsEndInLfAloneButTheEchoStays) {
  SimUnit unit(kS3Profile, With([](Faults& f) { f.lf_only = true; }));
  EXPECT_EQ(unit.Say(std::string(20, ' ')), "RUN AT\nOK\n");
  EXPECT_EQ(unit.Say("AT+LOGIN=pilot\r"), "AT+LOGIN=pilot\rOK\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=APN\r\n"), "AT+GETPARAM=APN\r\nAPN=CMIOT\nOK\n");
}

TEST(Value, AForcedValueIsReportedExactlyWhateverIsSet) {
  SimUnit unit(kS3Profile, With([](Faults& f) { f.values = {{0, "APN", "BOOK"}, {0, "APNUSER", ""}}; }));
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+SETPARAM=APN,CMNET\r\n"), "AT+SETPARAM=APN,CMNET\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=APN\r\n"), "AT+GETPARAM=APN\r\nAPN=BOOK\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=APNUSER\r\n"), "AT+GETPARAM=APNUSER\r\nAPNUSER=\r\nOK\r\n");
  const std::string listing = unit.Say("AT+GETPARAM?\r\n");
  EXPECT_NE(listing.find("\r\nAPN=BOOK\r\nHBDATA="), std::string::npos) << listing;
}

TEST(Value, AKeywordEndingInIdIsAddedAfterTheBaseLines) {
  SimUnit unit(kS3Profile, With([](Faults& f) { f.values = {{0, "DTUID", "12"}}; }));
  ASSERT_TRUE(unit.WakeAndLogin());
  const std::string listing = unit.Say("AT+GETPARAM?\r\n");
  EXPECT_NE(listing.find("OPPRM=SIN\r\nDTUID=12\r\nID=1\r\n"), std::string::npos) << listing;
  EXPECT_EQ(unit.Say("AT+GETPARAM=DTUID\r\n"), "AT+GETPARAM=DTUID\r\nDTUID=12\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+SETPARAM=DTUID,13\r\n"), "AT+SETPARAM=DTUID,13\r\nOK\r\n");
}

TEST(Value, AChannelValueIsForcedInThatChannelsBlock) {
  SimUnit unit(kS3Profile, With([](Faults& f) { f.values = {{2, "SVRPORT", "9"}, {2, "EXTRA", "E"}}; }));
  ASSERT_TRUE(unit.WakeAndLogin());
  unit.Say("AT+USEDEFAULT=BAK\r\n");
  const std::string listing = unit.Say("AT+GETPARAM?\r\n");
  EXPECT_NE(listing.find("ID=1\r\nSVRADDR=10.0.1.1\r\nSVRPORT=5001\r\n"
                         "ID=2\r\nSVRADDR=10.0.1.2\r\nSVRPORT=9\r\nEXTRA=E\r\nOK\r\n"),
            std::string::npos)
      << listing;
  unit.Say("AT+SETCHL=2\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=SVRPORT\r\n"), "AT+GETPARAM=SVRPORT\r\nSVRPORT=9\r\nOK\r\n");
  unit.Say("AT+SETCHL=1\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=SVRPORT\r\n"), "AT+GETPARAM=SVRPORT\r\nSVRPORT=5001\r\nOK\r\n");
}

TEST(ReportMode, TheUnitRunsInThatModeFromTheStart) {
  SimUnit unit(kS3Profile, With([](Faults& f) { f.report_mode = "BAK"; }));
  ASSERT_TRUE(unit.WakeAndLogin());
  const std::string listing = unit.Say("AT+GETPARAM?\r\n");
  EXPECT_NE(listing.find("OPPRM=BAK\r\nID=1\r\nSVRADDR=10.0.1.1\r\n"), std::string::npos) << listing;
}

TEST(ReportMode, TheUnitIgnoresTheModeDefaultsAskFor) {
  SimUnit unit(kS3Profile, With([](Faults& f) { f.report_mode = "BAK"; }));
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+USEDEFAULT=SIN\r\n"), "AT+USEDEFAULT=SIN\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=OPPRM\r\n"), "AT+GETPARAM=OPPRM\r\nOPPRM=BAK\r\nOK\r\n");
}

TEST(ReportMode, SettingOpprmDoesNotChangeTheModeEither) {
  SimUnit unit(kS3Profile, With([](Faults& f) { f.report_mode = "BAK"; }));
  ASSERT_TRUE(unit.WakeAndLogin());
  EXPECT_EQ(unit.Say("AT+SETPARAM=OPPRM,SIN\r\n"), "AT+SETPARAM=OPPRM,SIN\r\nOK\r\n");
  EXPECT_EQ(unit.Say("AT+GETPARAM=OPPRM\r\n"), "AT+GETPARAM=OPPRM\r\nOPPRM=BAK\r\nOK\r\n");
}

TEST(ReportMode, AnUnknownTokenIsReportedWithoutChannelBlocks) {
  SimUnit unit(kS3Profile, With([](Faults& f) { f.report_mode = "sin"; }));
  ASSERT_TRUE(unit.WakeAndLogin());
  const std::string listing = unit.Say("AT+GETPARAM?\r\n");
  EXPECT_NE(listing.find("OPPRM=sin\r\nOK\r\n"), std::string::npos) << listing;
  EXPECT_EQ(listing.find("ID="), std::string::npos);
}

TEST(HugeReply, TheQueryReplyGrowsBeyondTheToolsWindowAndStillEndsInOk) {
  SimUnit unit(kS3Profile, With([](Faults& f) { f.huge_reply = true; }));
  ASSERT_TRUE(unit.WakeAndLogin());
  const std::string listing = unit.Say("AT+GETPARAM?\r\n");
  EXPECT_GT(listing.size(), 40960u);
  EXPECT_EQ(listing.find("OK"), listing.size() - 4);  // no OK before the last line
  EXPECT_EQ(listing.substr(listing.size() - 4), "OK\r\n");
  EXPECT_NE(listing.find("SVRPORT=7001\r\nPAD00000="), std::string::npos);
}

TEST(NoReady, ABootWithoutTheReadyTextSendsTheBannerOnly) {
  DeviceProfile p = ProfileFrom(kS3Profile);
  p.ready.clear();
  DeviceState state(p, "");
  Interpreter interpreter(state, {}, Millis(300));
  interpreter.Receive(std::string(20, ' '), Millis(0));
  interpreter.Advance(Millis(30));
  interpreter.Receive("AT+LOGIN=pilot\r\n", Millis(100));
  const std::vector<Emission> out = interpreter.Receive("AT+RESET\r\n", Millis(200));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].bytes.substr(0, 15), "\r\nIMEI Number: ");
  EXPECT_EQ(out[1].bytes.find("READY"), std::string::npos);
}

}  // namespace
}  // namespace zt::dtusim::test
