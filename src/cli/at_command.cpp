#include "cli/at_command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>
#include <vector>

#include "cli/console.h"
#include "cli/session.h"
#include "terminal/at_reply.h"
#include "terminal/unit_text_escape.h"
#include "text/gbk.h"

namespace zt::cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kLineEnd = "\r\n";
constexpr int kPollStepMs = 20;
constexpr std::size_t kReadSize = 1024;

// A unit that answers within the wake-up's half second is woken and logged
// in with one of each, in about half a second more than it takes to answer.
// A slower one was sent them again, and its answers to the repeats are still
// on their way: they are waited out (the line quiet for longer than the
// login's 1 s between repeats, 5 s at most) so that no command takes them for
// its reply.
constexpr auto kQuickConnect = std::chrono::milliseconds(1000);
constexpr auto kSettleQuiet = std::chrono::milliseconds(1100);
constexpr auto kSettleMost = std::chrono::seconds(5);

// The commands as GBK, or nothing (after saying why) when one cannot go on
// the wire: a character GBK cannot hold, or a control byte inside it.
std::optional<std::vector<std::string>> GbkCommands(const std::vector<std::string>& given) {
  std::vector<std::string> commands;
  for (const std::string& utf8 : given) {
    const std::optional<std::string> gbk = Utf8ToGbk(utf8);
    if (!gbk) {
      std::cerr << "zereltool-cli: " << utf8 << ": holds a character that GBK cannot encode\n";
      return std::nullopt;
    }
    for (const char c : *gbk) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte == 0x7F) {
        std::cerr << "zereltool-cli: " << EscapeUnitLine(*gbk) << ": holds a control character\n";
        return std::nullopt;
      }
    }
    commands.push_back(*gbk);
  }
  return commands;
}

void PrintLine(std::string_view gbk) {
  const std::string line = EscapeUnitLine(gbk) + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
}

// Sends one command and prints its reply; how the reply ended.
AtReplyEnd Exchange(CSerialPort& port, const std::string& command, long timeout_ms) {
  AtReplyCollector reply(command);
  port.PurgeAll();  // an answer left over from before is not this command's
  port.Write(port.PortLock(), command + std::string(kLineEnd));
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::size_t printed = 0;
  char buffer[kReadSize];
  while (reply.End() == AtReplyEnd::kOpen) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    port.WaitReadable(static_cast<int>(std::min<long long>(left, kPollStepMs)));
    const std::uint16_t count = port.ReadQueued(port.PortLock(), buffer, sizeof buffer);
    if (count > 0) reply.Feed(std::string_view(buffer, count));
    // Lines are printed as they come after the echo, so a slow reply shows
    // as it grows; before it they may be left over from an earlier command.
    if (!reply.EchoSeen()) continue;
    for (; printed < reply.Lines().size(); ++printed) PrintLine(reply.Lines()[printed]);
    std::fflush(stdout);
  }
  for (; printed < reply.Lines().size(); ++printed) PrintLine(reply.Lines()[printed]);
  if (reply.End() == AtReplyEnd::kOpen && !reply.Partial().empty()) PrintLine(reply.Partial());
  std::fflush(stdout);
  return reply.End();
}

// Reads and drops what comes until the line has been quiet long enough.
void WaitOutLateAnswers(CSerialPort& port) {
  const Clock::time_point end = Clock::now() + kSettleMost;
  Clock::time_point quiet_since = Clock::now();
  char buffer[kReadSize];
  for (Clock::time_point now = quiet_since; now < end && now - quiet_since < kSettleQuiet; now = Clock::now()) {
    port.WaitReadable(kPollStepMs);
    if (port.ReadQueued(port.PortLock(), buffer, sizeof buffer) > 0) quiet_since = Clock::now();
  }
}

}  // namespace

int RunAt(const Options& options) {
  const std::optional<std::vector<std::string>> commands = GbkCommands(options.at_commands);
  if (!commands) return kExitUsage;
  Session session(options);
  // The worker wakes the DTU and logs in, its run-log lines on standard
  // error; the exchange then talks to the DTU itself.
  const bool login = !options.no_login;
  if (!session.Open(/*start_worker=*/login)) return kExitUsage;
  if (login) {
    const Clock::time_point started = Clock::now();
    if (!session.Run(WakeAndLoginRequest{})) return kExitFailed;
    if (Clock::now() - started > kQuickConnect) WaitOutLateAnswers(session.port());
  }
  const long timeout_ms = options.timeout_ms.value_or(kDefaultAtTimeoutMs);
  for (const std::string& command : *commands) {
    switch (Exchange(session.port(), command, timeout_ms)) {
      case AtReplyEnd::kOk:
        break;
      case AtReplyEnd::kError:
        return kExitFailed;
      case AtReplyEnd::kOpen:
        std::cerr << "zereltool-cli: " << EscapeUnitLine(command) << ": no complete reply within " << timeout_ms
                  << " ms\n";
        return kExitFailed;
    }
  }
  return kExitOk;
}

}  // namespace zt::cli
