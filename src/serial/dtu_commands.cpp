#include "serial/dtu_commands.h"

#include "settings/tool_settings.h"
#include "text/control_bytes.h"

namespace zt {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kCr = "\r";

constexpr std::string_view kWorkerWakeUp = "                    ";
static_assert(kWorkerWakeUp.size() == 20);
constexpr std::string_view kTestWakeUp = "             ";
static_assert(kTestWakeUp.size() == 13);

constexpr std::string_view kLogin = "AT+LOGIN=";
constexpr std::string_view kGetParam = "AT+GETPARAM=";
constexpr std::string_view kSetParam = "AT+SETPARAM=";
constexpr std::string_view kSetImei = "AT+SETIMEI=";
constexpr std::string_view kSelectChannel = "AT+SETCHL=";
constexpr std::string_view kUseDefault = "AT+USEDEFAULT";
constexpr std::string_view kProductNumberKeyword = "SPPID";
constexpr std::string_view kImeiKeyword = "IMEINUMBER";

// `head` + `text` + `end`; nothing when either holds a control byte.
std::optional<std::string> CommandLine(std::string_view head, std::string_view text,
                                       std::string_view end = kCrLf) {
  if (HasControlByte(head) || HasControlByte(text)) return std::nullopt;
  std::string line;
  line.reserve(head.size() + text.size() + end.size());
  line.append(head).append(text).append(end);
  return line;
}

bool Worker(DtuSender sender) { return sender == DtuSender::kWorker; }

}  // namespace

std::string_view WakeUpCommand(DtuSender sender) { return Worker(sender) ? kWorkerWakeUp : kTestWakeUp; }

AnswerRule WakeUpRule(DtuSender sender, std::uint16_t connect_timeout_s) {
  return Worker(sender) ? AnswerRule{"RUN AT", 20, 1} : AnswerRule{"RUN AT", 1, connect_timeout_s};
}

std::string_view CommandModeCommand() { return "+++"; }

std::optional<std::string> LoginCommand(std::string_view password) {
  return CommandLine(kLogin, password.substr(0, kMaxPasswordBytes), kCr);
}

AnswerRule LoginRule(DtuSender sender) {
  return Worker(sender) ? AnswerRule{"OK", 1, 20} : AnswerRule{"OK", 3, 3};
}

std::string_view QueryAllCommand() { return "AT+GETPARAM?\r\n"; }

std::string GetParamCommand(std::string_view keyword) {
  return std::string(kGetParam).append(keyword).append(kCrLf);
}

std::string GetParamAnswer(std::string_view keyword) { return std::string(keyword) + "="; }

std::string_view VersionCommand() { return "AT+GETPARAM=SPSV\r\n"; }

std::string_view GetProductNumberCommand() { return "AT+GETPARAM=SPPID\r\n"; }

std::string_view GetImeiCommand() { return "AT+GETPARAM=IMEINUMBER\r\n"; }

std::string_view SignalCommand() { return "AT+CSQ\r\n"; }

std::optional<std::string> SetParamCommand(std::string_view keyword, std::string_view value) {
  return CommandLine(std::string(kSetParam).append(keyword).append(","), value);
}

std::optional<std::string> SetProductNumberCommand(std::string_view product_number) {
  return SetParamCommand(kProductNumberKeyword, product_number);
}

std::optional<std::string> SetImeiCommand(std::string_view imei, bool s3) {
  return s3 ? SetParamCommand(kImeiKeyword, imei) : CommandLine(kSetImei, imei);
}

std::string SelectChannelText(int channel) { return std::string(kSelectChannel) + std::to_string(channel); }

std::string SelectChannelCommand(int channel) { return SelectChannelText(channel).append(kCrLf); }

std::string_view SaveParamsCommand() { return "AT+SAVEPARAM\r"; }

std::string UseDefaultCommand() { return std::string(kUseDefault).append(kCrLf); }

std::string UseDefaultCommand(std::string_view mode_token) {
  return std::string(kUseDefault).append("=").append(mode_token).append(kCrLf);
}

std::string_view ResetCommand(DtuSender sender) { return Worker(sender) ? "AT+RESET\r\n" : "AT+RESET\r"; }

AnswerRule ResetRule(DtuSender sender) { return Worker(sender) ? AnswerRule{"OK", 3, 1} : AnswerRule{"OK", 2, 1}; }

std::string_view UpgradeStartCommand() { return "AT+SWUPDATE"; }

std::string_view UpgradeLoginCommand() { return "AT+LOGIN="; }

}  // namespace zt
