// dtusim as a program: its line, its lifeline, its wire log, its state file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <climits>

#include "pty_client.h"
#include "support/dtusim_fixture.h"
#include "support/temp_dir.h"

namespace zt::test {
namespace {

const std::string kBlanks(20, ' ');

TEST(DtuSimLine, PrintsTheSlavePathAndAnswersThere) {
  DtuSimProcess sim;
  ASSERT_TRUE(sim.Start()) << sim.error();
  EXPECT_EQ(sim.SlavePath().rfind("/dev/pts/", 0), 0u) << sim.SlavePath();
  PtyClient dtu(sim.SlavePath());
  ASSERT_TRUE(dtu.is_open());
  dtu.Send(kBlanks);
  EXPECT_EQ(dtu.ReadUntil("OK\r\n"), "RUN AT\r\nOK\r\n");
}

TEST(DtuSimLine, TheLineOutlivesAClientThatCloses) {
  DtuSimProcess sim;
  ASSERT_TRUE(sim.Start()) << sim.error();
  {
    PtyClient first(sim.SlavePath());
    ASSERT_TRUE(first.WakeAndLogin());
  }
  PtyClient second(sim.SlavePath());
  EXPECT_EQ(second.Exchange("AT+CSQ\r\n"), "AT+CSQ\r\n+CSQ: 23,99\r\nOK\r\n");
}

TEST(DtuSimLine, LinkPointsAtTheSlaveUntilTheEnd) {
  TempDir dir;
  const std::string link = dir.File("dtu");
  DtuSimProcess sim;
  ASSERT_TRUE(sim.Start({"--link", link})) << sim.error();
  char target[PATH_MAX] = {};
  ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), sim.SlavePath());
  PtyClient dtu(link);
  EXPECT_TRUE(dtu.WakeAndLogin());
  EXPECT_EQ(sim.Stop(), 0);
  EXPECT_NE(::access(link.c_str(), F_OK), 0);
}

TEST(DtuSimLine, EndsCleanlyOnSigterm) {
  DtuSimProcess sim;
  ASSERT_TRUE(sim.Start()) << sim.error();
  EXPECT_EQ(sim.Stop(), 0);
  EXPECT_EQ(sim.WireLog().back().bytes, "stopped by a signal");
}

TEST(DtuSimLine, EndsWhenItsStandardInputCloses) {
  DtuSimProcess sim;
  ASSERT_TRUE(sim.Start()) << sim.error();
  sim.CloseLifeline();
  EXPECT_EQ(sim.WaitForExit(), 0);
  EXPECT_EQ(sim.WireLog().back().bytes, "standard input closed");
}

TEST(DtuSimLine, ServesAnExistingTty) {
  int master = -1;
  int slave = -1;
  char name[256] = {};
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  ::close(slave);
  PtyClient far_end(master);  // the test holds the master side
  DtuSimProcess sim;
  ASSERT_TRUE(sim.Start({"--tty", name})) << sim.error();
  EXPECT_EQ(sim.SlavePath(), name);
  EXPECT_TRUE(far_end.WakeAndLogin());
}

TEST(DtuSimLine, ABadProfileStopsItWithAMessage) {
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(dir.File("bad.profile"), "[device]\ngeneration=S9\n"));
  DtuSimProcess sim;
  EXPECT_FALSE(sim.Start({"--profile", dir.File("bad.profile")}));
  EXPECT_NE(sim.error().find("bad.profile: line 2: generation is S2 or S3"), std::string::npos)
      << sim.error();
  EXPECT_EQ(sim.Stop(), 2);
}

TEST(DtuSimLine, TheWireLogHoldsEveryByteBothWays) {
  DtuSimProcess sim;
  ASSERT_TRUE(sim.Start()) << sim.error();
  PtyClient dtu(sim.SlavePath());
  ASSERT_TRUE(dtu.WakeAndLogin());
  const std::string sent = "RUN AT\r\nOK\r\nAT+LOGIN=pilot\rOK\r\n";
  ASSERT_TRUE(sim.WaitForSent(sent));
  EXPECT_EQ(sim.ReceivedBytes(), kBlanks + "AT+LOGIN=pilot\r");
  EXPECT_EQ(sim.SentBytes(), sent);
}

TEST(DtuSimLine, SavedValuesSurviveARestartOfTheSimulator) {
  TempDir dir;
  const std::string state = dir.File("unit.state");
  {
    DtuSimProcess sim;
    ASSERT_TRUE(sim.Start({"--state", state})) << sim.error();
    PtyClient dtu(sim.SlavePath());
    ASSERT_TRUE(dtu.WakeAndLogin());
    ASSERT_EQ(dtu.Exchange("AT+SETPARAM=APN,KEPT\r\n"), "AT+SETPARAM=APN,KEPT\r\nOK\r\n");
    ASSERT_EQ(dtu.Exchange("AT+SETPARAM=DNS1,8.8.8.8\r\n"), "AT+SETPARAM=DNS1,8.8.8.8\r\nOK\r\n");
    ASSERT_EQ(dtu.Exchange("AT+SAVEPARAM\r"), "AT+SAVEPARAM\rOK\r\n");
    ASSERT_EQ(dtu.Exchange("AT+SETPARAM=DNS1,1.1.1.1\r\n"), "AT+SETPARAM=DNS1,1.1.1.1\r\nOK\r\n");
  }
  DtuSimProcess sim;
  ASSERT_TRUE(sim.Start({"--state", state})) << sim.error();
  PtyClient dtu(sim.SlavePath());
  ASSERT_TRUE(dtu.WakeAndLogin());
  EXPECT_EQ(dtu.Exchange("AT+GETPARAM=APN\r\n"), "AT+GETPARAM=APN\r\nAPN=KEPT\r\nOK\r\n");
  EXPECT_EQ(dtu.Exchange("AT+GETPARAM=DNS1\r\n"), "AT+GETPARAM=DNS1\r\nDNS1=8.8.8.8\r\nOK\r\n");
}

TEST(DtuSimLine, WithoutAStateFileARestartForgetsTheSavedValues) {
  for (int run = 0; run < 2; ++run) {
    DtuSimProcess sim;
    ASSERT_TRUE(sim.Start()) << sim.error();
    PtyClient dtu(sim.SlavePath());
    ASSERT_TRUE(dtu.WakeAndLogin());
    EXPECT_EQ(dtu.Exchange("AT+GETPARAM=APN\r\n"), "AT+GETPARAM=APN\r\nAPN=CMIOT\r\nOK\r\n");
    dtu.Exchange("AT+SETPARAM=APN,GONE\r\n");
    dtu.Exchange("AT+SAVEPARAM\r");
  }
}

}  // namespace
}  // namespace zt::test
