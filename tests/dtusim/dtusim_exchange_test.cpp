// Each exchange of the configuration worker and the production test, over a
// real pseudo-terminal against the shipped profiles.
#include <gtest/gtest.h>

#include "pty_client.h"
#include "support/dtusim_fixture.h"

namespace zt::test {
namespace {

class DtuSimExchange : public ::testing::Test {
 protected:
  void Run(std::vector<std::string> args = {}) {
    ASSERT_TRUE(sim_.Start(args)) << sim_.error();
    dtu_ = std::make_unique<PtyClient>(sim_.SlavePath());
    ASSERT_TRUE(dtu_->is_open());
  }
  void RunLoggedIn(std::vector<std::string> args = {}) {
    Run(std::move(args));
    ASSERT_TRUE(dtu_->WakeAndLogin());
  }
  std::string Ask(std::string_view command) { return dtu_->Exchange(command); }

  DtuSimProcess sim_;
  std::unique_ptr<PtyClient> dtu_;
};

TEST_F(DtuSimExchange, TheWorkersTwentyBlanksWakeTheUnit) {
  Run();
  dtu_->Send(std::string(20, ' '));
  EXPECT_EQ(dtu_->ReadUntil("OK\r\n"), "RUN AT\r\nOK\r\n");
}

TEST_F(DtuSimExchange, TheProductionTestsThirteenBlanksWakeTheUnit) {
  Run();
  dtu_->Send(std::string(13, ' '));
  EXPECT_EQ(dtu_->ReadUntil("OK\r\n"), "RUN AT\r\nOK\r\n");
}

TEST_F(DtuSimExchange, LoginAnswersOkOrError) {
  Run();
  dtu_->Send(std::string(20, ' '));
  dtu_->ReadUntil("OK\r\n");
  EXPECT_EQ(Ask("AT+LOGIN=wrong\r"), "AT+LOGIN=wrong\rERROR\r\n");
  EXPECT_EQ(Ask("AT+GETPARAM=SPSV\r\n"), "AT+GETPARAM=SPSV\r\nERROR\r\n");
  EXPECT_EQ(Ask("AT+LOGIN=pilot\r"), "AT+LOGIN=pilot\rOK\r\n");
}

TEST_F(DtuSimExchange, AnS3UnitReportsVersion312) {
  RunLoggedIn();
  EXPECT_EQ(Ask("AT+GETPARAM=SPSV\r\n"), "AT+GETPARAM=SPSV\r\nSPSV=3.1.2\r\nOK\r\n");
}

TEST_F(DtuSimExchange, AnS2UnitReportsVersion215) {
  RunLoggedIn({"--profile", ShippedDataFile("dtusim_s2.profile")});
  EXPECT_EQ(Ask("AT+GETPARAM=SPSV\r\n"), "AT+GETPARAM=SPSV\r\nSPSV=2.1.5\r\nOK\r\n");
}

TEST_F(DtuSimExchange, TheQueryEchoesThenListsBaseLinesAndTheChannelOfSin) {
  RunLoggedIn();
  const std::string reply = Ask("AT+GETPARAM?\r\n");
  const std::string head =
      "AT+GETPARAM?\r\nSPSV=3.1.2\r\nSPHV=HW3.1\r\nIMEINUMBER=860123456789012\r\nSPMODEL=";
  EXPECT_EQ(reply.substr(0, head.size()), head);
  EXPECT_NE(reply.find("\r\nHBDATA=0xFE01\r\n"), std::string::npos);
  EXPECT_NE(reply.find("\r\nMBCMD=010300000001840A\r\n"), std::string::npos);
  EXPECT_NE(reply.find("\r\nAPNUSER=NULL\r\n"), std::string::npos);
  EXPECT_NE(reply.find("\r\nOPPRM=SIN\r\n"), std::string::npos);
  const std::string tail = "ID=1\r\nCHNEN=1\r\nSVRADDR=10.0.0.10\r\nSVRPORT=7001\r\nPROTO=0\r\nOK\r\n";
  ASSERT_GT(reply.size(), tail.size());
  EXPECT_EQ(reply.substr(reply.size() - tail.size()), tail);
  EXPECT_EQ(reply.find("ID=2"), std::string::npos);
}

TEST_F(DtuSimExchange, TheS2QueryHasNoChannelBlocks) {
  RunLoggedIn({"--profile", ShippedDataFile("dtusim_s2.profile")});
  const std::string reply = Ask("AT+GETPARAM?\r\n");
  EXPECT_EQ(reply.find("ID="), std::string::npos);
  EXPECT_NE(reply.find("\r\nSVRADDR=10.0.0.10\r\nSVRPORT=7001\r\nPROTO=0\r\nOK\r\n"), std::string::npos);
}

TEST_F(DtuSimExchange, ChannelSelectionSetAndSaveReadBack) {
  RunLoggedIn();
  EXPECT_EQ(Ask("AT+USEDEFAULT=MUL\r\n"), "AT+USEDEFAULT=MUL\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+SETCHL=3\r\n"), "AT+SETCHL=3\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+SETPARAM=SVRADDR,10.9.9.9\r\n"), "AT+SETPARAM=SVRADDR,10.9.9.9\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+SETPARAM=HBINT,300\r\n"), "AT+SETPARAM=HBINT,300\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+SAVEPARAM\r"), "AT+SAVEPARAM\rOK\r\n");
  EXPECT_EQ(Ask("AT+GETPARAM=SVRADDR\r\n"), "AT+GETPARAM=SVRADDR\r\nSVRADDR=10.9.9.9\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+SETCHL=5\r\n"), "AT+SETCHL=5\r\nERROR\r\n");
  const std::string reply = Ask("AT+GETPARAM?\r\n");
  EXPECT_NE(reply.find("\r\nHBINT=300\r\n"), std::string::npos);
  EXPECT_NE(reply.find("ID=3\r\nCHNEN=0\r\nSVRADDR=10.9.9.9\r\n"), std::string::npos);
  EXPECT_NE(reply.find("ID=4\r\n"), std::string::npos);
}

TEST_F(DtuSimExchange, ProductNumberAndImeiOfAnS3Unit) {
  RunLoggedIn();
  EXPECT_EQ(Ask("AT+SETPARAM=SPPID,ZR0042\r\n"), "AT+SETPARAM=SPPID,ZR0042\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+SETPARAM=IMEINUMBER,86123456789999\r\n"),
            "AT+SETPARAM=IMEINUMBER,86123456789999\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+GETPARAM=SPPID\r\n"), "AT+GETPARAM=SPPID\r\nSPPID=ZR0042\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+GETPARAM=IMEINUMBER\r\n"),
            "AT+GETPARAM=IMEINUMBER\r\nIMEINUMBER=86123456789999\r\nOK\r\n");
}

TEST_F(DtuSimExchange, AnS2UnitTakesItsImeiThroughSetimei) {
  RunLoggedIn({"--profile", ShippedDataFile("dtusim_s2.profile")});
  EXPECT_EQ(Ask("AT+SETIMEI=86123456789999\r\n"), "AT+SETIMEI=86123456789999\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+GETPARAM=IMEINUMBER\r\n"),
            "AT+GETPARAM=IMEINUMBER\r\nIMEINUMBER=86123456789999\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+USEDEFAULT=SIN\r\n"), "AT+USEDEFAULT=SIN\r\nERROR\r\n");
  EXPECT_EQ(Ask("AT+USEDEFAULT\r\n"), "AT+USEDEFAULT\r\nOK\r\n");
}

TEST_F(DtuSimExchange, DefaultsForAModeChangeWhatTheQueryReports) {
  RunLoggedIn();
  EXPECT_EQ(Ask("AT+USEDEFAULT=MULB\r\n"), "AT+USEDEFAULT=MULB\r\nOK\r\n");
  const std::string reply = Ask("AT+GETPARAM?\r\n");
  EXPECT_NE(reply.find("\r\nOPPRM=MULB\r\n"), std::string::npos);
  EXPECT_NE(reply.find("\r\nAPN=CMNET\r\n"), std::string::npos);  // the factory value
  EXPECT_NE(
      reply.find("ID=4\r\nCHNEN=0\r\nSVRADDR=192.168.1.100\r\nSVRPORT=5004\r\nPROTO=0\r\nBAKADDR=NULL\r\n"
                 "BAKPORT=6004\r\nOK\r\n"),
      std::string::npos);
}

TEST_F(DtuSimExchange, TheWorkersRestartAnswersOkThenTheUnitBoots) {
  RunLoggedIn({"--boot-delay", "50"});
  dtu_->Send("AT+RESET\r\n");
  EXPECT_EQ(dtu_->ReadUntil("READY\r\n"),
            "AT+RESET\r\nOK\r\n\r\nIMEI Number: 860123456789012\r\nManufacturer: "
            "\xD4\xF3\xC0\xD7\xCD\xA8\xD0\xC5\r\n"
            "Product Name: ZR-3100\r\nRevision: ZR3100_S3_3.1.2\r\nZR-3100 READY\r\n");
}

TEST_F(DtuSimExchange, TheRunTestResetsChecksTheKeyStringThenPlusEscapeLoginAndSignal) {
  RunLoggedIn({"--boot-delay", "50", "--ready", "KEY-STRING"});
  dtu_->Send("AT+RESET\r");
  const std::string boot = dtu_->ReadUntil("KEY-STRING\r\n");
  EXPECT_EQ(boot.substr(0, 13), "AT+RESET\rOK\r\n");
  EXPECT_NE(boot.find("\r\nIMEI Number: 860123456789012\r\n"), std::string::npos);
  dtu_->Send("+++");
  EXPECT_EQ(dtu_->ReadUntil("OK\r\n"), "RUN AT\r\nOK\r\n");
  EXPECT_EQ(Ask("AT+LOGIN=pilot\r"), "AT+LOGIN=pilot\rOK\r\n");
  EXPECT_EQ(Ask("AT+CSQ\r\n"), "AT+CSQ\r\n+CSQ: 23,99\r\nOK\r\n");
}

TEST_F(DtuSimExchange, AnythingElseAnswersError) {
  RunLoggedIn();
  EXPECT_EQ(Ask("AT+FOO\r\n"), "AT+FOO\r\nERROR\r\n");
  EXPECT_EQ(Ask("AT+GETPARAM=NOSUCH\r\n"), "AT+GETPARAM=NOSUCH\r\nERROR\r\n");
}

TEST_F(DtuSimExchange, ThePasswordCanBeChosen) {
  Run({"--password", "abc123"});
  ASSERT_FALSE(dtu_->WakeAndLogin("pilot"));
  EXPECT_TRUE(dtu_->WakeAndLogin("abc123"));
}

}  // namespace
}  // namespace zt::test
