// dtusim's command line.
#include "dtusim/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zt::dtusim::test {
namespace {

struct Parsed {
  bool ok = false;
  Options options;
  std::string error;
};

Parsed Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "dtusim");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  Parsed p;
  p.ok = ParseOptions(static_cast<int>(args.size()), argv.data(), &p.options, &p.error);
  return p;
}

TEST(Options, WithoutOptionsTheUnitRunsPlainly) {
  const Parsed p = Parse({});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_TRUE(p.options.profile_path.empty());
  EXPECT_TRUE(p.options.tty_path.empty());
  EXPECT_FALSE(p.options.stdin_lifeline);
  EXPECT_EQ(p.options.boot_delay, Millis(300));
  EXPECT_FALSE(p.options.faults.mute);
  EXPECT_EQ(p.options.faults.reply_delay, Millis(0));
  EXPECT_FALSE(p.options.chunked);
  EXPECT_FALSE(p.options.hangup_after.has_value());
}

TEST(Options, ReadsTheLineOptions) {
  const Parsed p = Parse({"--profile", "a.profile", "--tty=/dev/ttyS9", "--link", "/tmp/dtu", "--state", "s",
                          "--stdin-lifeline", "--wire-log", "w.log", "--boot-delay", "50", "--ready", "GO",
                          "--password", "abc", "--csq", "99"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.options.profile_path, "a.profile");
  EXPECT_EQ(p.options.tty_path, "/dev/ttyS9");
  EXPECT_EQ(p.options.link_path, "/tmp/dtu");
  EXPECT_EQ(p.options.state_path, "s");
  EXPECT_TRUE(p.options.stdin_lifeline);
  EXPECT_EQ(p.options.wire_log_path, "w.log");
  EXPECT_EQ(p.options.boot_delay, Millis(50));
  EXPECT_EQ(p.options.ready, "GO");
  EXPECT_EQ(p.options.password, "abc");
  EXPECT_EQ(p.options.csq, 99);
}

TEST(Options, ReadsTheFaults) {
  const Parsed p = Parse({"--mute",       "--mute-after",   "3",        "--error-on",
                          "AT+SAVEPARAM", "--error-on",     "APN",      "--delay",
                          "1200",         "--chunked",      "--seed",   "7",
                          "--lf-only",    "--value",        "APN=BOOK", "--value",
                          "2:SVRPORT=1",  "--report-mode",  "MUL",      "--no-ready",
                          "--huge-reply", "--hangup-after", "100"});
  ASSERT_TRUE(p.ok) << p.error;
  const Faults& f = p.options.faults;
  EXPECT_TRUE(f.mute);
  EXPECT_EQ(f.mute_after, 3u);
  EXPECT_EQ(f.error_on, (std::vector<std::string>{"AT+SAVEPARAM", "APN"}));
  EXPECT_EQ(f.reply_delay, Millis(1200));
  EXPECT_TRUE(p.options.chunked);
  EXPECT_EQ(p.options.seed, 7u);
  EXPECT_TRUE(f.lf_only);
  ASSERT_EQ(f.values.size(), 2u);
  EXPECT_EQ(f.values[0].channel, 0);
  EXPECT_EQ(f.values[0].key, "APN");
  EXPECT_EQ(f.values[0].value, "BOOK");
  EXPECT_EQ(f.values[1].channel, 2);
  EXPECT_EQ(f.values[1].key, "SVRPORT");
  EXPECT_EQ(f.report_mode, "MUL");
  EXPECT_TRUE(p.options.no_ready);
  EXPECT_TRUE(f.huge_reply);
  EXPECT_EQ(p.options.hangup_after, 100u);
}

TEST(Options, BadValuesAndUnknownOptionsAreRefused) {
  EXPECT_EQ(Parse({"--delay", "soon"}).error, "--delay takes milliseconds (0 to 600000)");
  EXPECT_EQ(Parse({"--csq", "1000"}).error, "--csq takes a number from 0 to 999");
  EXPECT_EQ(Parse({"--value", "novalue"}).error, "--value takes KEY=VALUE or CHANNEL:KEY=VALUE");
  EXPECT_EQ(Parse({"--value", "0:A=1"}).error, "--value takes KEY=VALUE or CHANNEL:KEY=VALUE");
  EXPECT_EQ(Parse({"--hangup-after", "-1"}).error, "--hangup-after takes a number of bytes");
  EXPECT_EQ(Parse({"--colour"}).error, "unknown option --colour");
  EXPECT_EQ(Parse({"--profile"}).error, "option --profile needs a value");
  EXPECT_EQ(Parse({"extra"}).error, "unexpected argument extra");
}

TEST(Options, HelpDocumentsEveryOption) {
  const std::string help = HelpText();
  for (const char* name :
       {"--profile",    "--tty",          "--link",     "--state",       "--stdin-lifeline",
        "--wire-log",   "--boot-delay",   "--ready",    "--no-ready",    "--password",
        "--mute",       "--mute-after",   "--error-on", "--delay",       "--chunked",
        "--seed",       "--lf-only",      "--value",    "--report-mode", "--csq",
        "--huge-reply", "--hangup-after", "--help"}) {
    EXPECT_NE(help.find(std::string(" ") + name + " "), std::string::npos) << name;
  }
  EXPECT_TRUE(Parse({"--help"}).options.help);
  EXPECT_TRUE(Parse({"-h"}).options.help);
}

}  // namespace
}  // namespace zt::dtusim::test
