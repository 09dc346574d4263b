// The run test: reset the unit and watch its start-up output for the key
// string, then check its signal and show the lines that name it.
#include <chrono>
#include <thread>

#include "prodtest/test_steps.h"
#include "serial/dtu_commands.h"
#include "serial/link_clock.h"
#include "serial/port_texts.h"
#include "serial/serial_port.h"
#include "settings/tool_settings.h"
#include "text/gbk_literal.h"
#include "text/numbers.h"
#include "text/strformat.h"

namespace zt {

using namespace zt::literals;

namespace {

// The unit has two minutes to boot and print the key string.
constexpr std::int64_t kKeyStringLimitS = 120;
constexpr std::size_t kReadCapacity = 1024;
// One look at the port: it ends as soon as bytes arrive.
constexpr std::chrono::milliseconds kPollStep{20};

// A unit without a network reports 99: no signal, whatever the threshold.
constexpr std::int32_t kNoSignal = 99;

// What arrives within one poll step, every byte of it: a zero byte in the
// start-up output must not hide a key string behind it in the same read.
std::string PollOnce(CSerialPort& port) {
  const auto start = std::chrono::steady_clock::now();
  char buffer[kReadCapacity];
  std::size_t got = 0;
  if (port.WaitReadable(static_cast<int>(kPollStep.count()))) {
    got = port.ReadQueued(port.PortLock(), buffer, sizeof buffer);
  }
  // A closed port answers at once: the step still lasts its length.
  if (got == 0) std::this_thread::sleep_until(start + kPollStep);
  return std::string(buffer, got);
}

}  // namespace

std::optional<std::int32_t> SignalFromReply(std::string_view excerpt) {
  const std::size_t at = excerpt.find("CSQ:");
  if (at == std::string_view::npos) return std::nullopt;
  const std::size_t from = at + 4;
  const std::size_t comma = excerpt.find(',', from);
  if (comma == std::string_view::npos) return std::nullopt;
  std::string digits;
  for (const char c : excerpt.substr(from, comma - from)) {
    if (c != ' ') digits += c;
  }
  return Atoi(digits);
}

std::vector<std::string> IdentityLines(std::string_view collected) {
  std::vector<std::string> lines;
  for (const std::string_view label : {"IMEI Number:", "Manufacturer:", "Product Name:", "Revision:"}) {
    const std::size_t at = collected.find(label);
    if (at == std::string_view::npos) continue;
    const std::size_t end = collected.find("\r\n", at);
    if (end == std::string_view::npos) continue;
    lines.emplace_back(collected.substr(at, end + 2 - at));
  }
  return lines;
}

bool SignalCheck(StepContext& ctx) {
  if (!ctx.Exchange(CommandModeCommand(), kCommandModeRule)) {
    ctx.Log("切换到AT指令模式失败!\r\n"_gbk);
    return false;
  }
  const std::optional<std::string> login = LoginCommand(ctx.settings.Get().password);
  if (!login || !ctx.Exchange(*login, LoginRule(DtuSender::kProductionTest))) {
    ctx.Log("登录失败!\r\n"_gbk);
    return false;
  }
  ctx.Log("登录成功!\r\n"_gbk);
  std::string reply;
  if (!ctx.Exchange(SignalCommand(), kSignalRule, &reply)) {
    ctx.Log("发送查询信号强度指令失败!\r\n"_gbk);
    return false;
  }
  const std::optional<std::int32_t> signal = SignalFromReply(reply);
  if (!signal) {
    ctx.Log("查询信号强度失败!\r\n"_gbk);
    return false;
  }
  ctx.readings.signal = signal;
  const std::int32_t threshold = ctx.run.signal_threshold;
  if (*signal == kNoSignal || *signal < threshold) {
    return ctx.Fail(Format("信号检测失败：期望最低信号 %d, 当前信号 %d\r\n"_gbk, threshold, *signal));
  }
  ctx.Log(Format("查询信号强度成功，信号强度为[%d]!\r\n"_gbk, *signal));
  return true;
}

bool RunTestStep(StepContext& ctx) {
  const LinkClock clock = ctx.port.LinkClock();
  const std::int64_t start = clock.Seconds();
  ctx.Log("运行测试...\r\n"_gbk);
  // A USB unit re-enumerates when it resets: its port goes away and comes
  // back under the same stable name. The port waits for it (within the key
  // string's limit) and opens it again; its start-up output is kept.
  const ReturnExpected comes_back(ctx.port);
  std::uint64_t removals = ctx.port.Removals();
  // A unit that restarts at once never answers the reset; one that answers
  // "OK" restarts after it. Either way its start-up output follows.
  if (!ctx.Exchange(ResetCommand(DtuSender::kProductionTest), ResetRule(DtuSender::kProductionTest))) {
    ctx.Log("复位成功!\r\n"_gbk);
  }

  const std::string& key = ctx.run.key_string;
  std::string collected;
  bool waiting = false;
  std::int64_t elapsed = clock.Seconds() - start;
  while (ctx.RunFlag()) {
    if (elapsed > kKeyStringLimitS) return ctx.Fail(std::string("运行测试没有检测到关键字符串"_gbk));
    // The run log says when the unit went and when it came back.
    if (ctx.port.Removals() != removals) {
      removals = ctx.port.Removals();
      ctx.Log(DeviceRemovedText(ctx.port.OpenedPortName()) + std::string("，等待设备重新连接...\r\n"_gbk));
      waiting = true;
    }
    if (waiting && !ctx.port.Removed()) {
      ctx.Log(DeviceReturnedText(ctx.port.OpenedPortName()) + "\r\n");
      waiting = false;
    }
    const std::string chunk = PollOnce(ctx.port);
    if (!chunk.empty()) {
      ctx.Log(chunk);
      // The key string may be split over two reads: look across the seam.
      const std::size_t from = collected.size() > key.size() ? collected.size() - key.size() : 0;
      collected += chunk;
      if (collected.find(key, from) != std::string::npos) break;
    } else if (key.empty()) {
      break;
    }
    elapsed = clock.Seconds() - start;
  }
  if (elapsed > kKeyStringLimitS) return ctx.Fail(std::string("运行测试没有检测到关键字符串"_gbk));

  ctx.readings.identity_lines = IdentityLines(collected);
  if (!SignalCheck(ctx)) return false;
  for (const std::string& line : ctx.readings.identity_lines) ctx.Log(line);
  ctx.Log(Format("产品编号：%s"_gbk, ctx.identity.product_number));
  ctx.Log("运行测试成功!\r\n"_gbk);
  return true;
}

}  // namespace zt
