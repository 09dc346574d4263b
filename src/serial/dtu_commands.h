// The DTU's command vocabulary: every command line the tool sends, with its
// line end, and the answer rule it is sent with (the text the answer must
// hold before its "OK", the time limit and the attempts). Nothing else in
// the tool spells a command.
//
// Two senders talk to a DTU and differ in a few forms: the configuration
// worker (`DtuSender::kWorker`) and the production test
// (`DtuSender::kProductionTest`). Where they differ, the function or rule
// takes the sender; the rest is one form for both.
//
// Line ends: CR LF, except the login and the save (CR alone), the production
// test's reset (CR alone), the upgrade's two commands (none) and the
// wake-ups (blanks only).
//
// Values: the DTU ends a command at CR or LF, so a value holding one (or any
// other control byte, text/control_bytes.h) would put commands of its own on
// the wire: "APN=b\nAT+USEDEFAULT=MUL" would restore the factory values.
// Whatever the checks before them let through, the builders that carry a
// value (parameter, product number, IMEI, password) refuse such a value and
// return nothing; the caller then logs the failure line it logs when the DTU
// does not answer, and sends nothing.
//
// Thread safety: pure functions and constants.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zt {

enum class DtuSender { kWorker, kProductionTest };

// What a command waits for: `expected` then "OK" (at_transaction.h), within
// `limit_s` seconds per attempt, up to `attempts` times. The worker's wake-up
// is sent with the resending form, where `limit_s` is the whole wait.
struct AnswerRule {
  std::string_view expected;
  int limit_s;
  std::uint16_t attempts;
};

// --- Waking the DTU and logging in -----------------------------------------

// The blanks a sleeping DTU answers with "RUN AT": 20 from the worker, 13
// from the production test.
std::string_view WakeUpCommand(DtuSender sender);
// Worker: resent every half second for 20 s in all. Production test: 1 s
// per attempt, as many attempts as the tool's connect timeout has seconds
// (`connect_timeout_s`; the worker ignores it).
AnswerRule WakeUpRule(DtuSender sender, std::uint16_t connect_timeout_s = 0);

// The production test's signal check switches a running unit back to
// commands with "+++" (no line end), answered with "RUN AT"; 3 s, 3 attempts.
std::string_view CommandModeCommand();
inline constexpr AnswerRule kCommandModeRule{"RUN AT", 3, 3};

// "AT+LOGIN=<password>\r" (CR alone); the password is cut to the six bytes
// the settings hold. Worker: 1 s, 20 attempts; production test: 3 s, 3.
std::optional<std::string> LoginCommand(std::string_view password);
AnswerRule LoginRule(DtuSender sender);

// --- Reading ------------------------------------------------------------------

// "AT+GETPARAM?\r\n": the whole parameter set (worker only). Any answer that
// ends in "OK" within 60 s, one attempt.
std::string_view QueryAllCommand();
inline constexpr AnswerRule kQueryAllRule{"", 60, 1};

// "AT+GETPARAM=<keyword>\r\n", answered with "<keyword>=" (the production
// test's compare; 3 s, 3 attempts: kGetParamRule with GetParamAnswer).
std::string GetParamCommand(std::string_view keyword);
std::string GetParamAnswer(std::string_view keyword);
inline constexpr AnswerRule kGetParamRule{"", 3, 3};

// The software version, "AT+GETPARAM=SPSV\r\n", answered with "SPSV" within
// 20 s: the worker resends it for 20 s in all, the production test makes one
// attempt of 20 s.
std::string_view VersionCommand();
inline constexpr AnswerRule kVersionRule{"SPSV", 20, 1};
// The production test's compare of the finished unit's numbers.
std::string_view GetProductNumberCommand();  // "AT+GETPARAM=SPPID\r\n", answered with "SPPID"
std::string_view GetImeiCommand();           // "AT+GETPARAM=IMEINUMBER\r\n", with "IMEINUMBER="
inline constexpr AnswerRule kGetProductNumberRule{"SPPID", 3, 3};
inline constexpr AnswerRule kGetImeiRule{"IMEINUMBER=", 3, 3};

// "AT+CSQ\r\n", answered with "CSQ:" (the signal check; 3 s, 3 attempts).
std::string_view SignalCommand();
inline constexpr AnswerRule kSignalRule{"CSQ:", 3, 3};

// --- Writing ------------------------------------------------------------------

// "AT+SETPARAM=<keyword>,<value>\r\n"; 3 s, 3 attempts from both senders.
std::optional<std::string> SetParamCommand(std::string_view keyword, std::string_view value);
inline constexpr AnswerRule kSetParamRule{"OK", 3, 3};

// The product number: "AT+SETPARAM=SPPID,<number>\r\n".
std::optional<std::string> SetProductNumberCommand(std::string_view product_number);

// The IMEI: "AT+SETPARAM=IMEINUMBER,<imei>\r\n" on the later generation
// (`s3`); the earlier one has a command of its own, "AT+SETIMEI=<imei>\r\n".
std::optional<std::string> SetImeiCommand(std::string_view imei, bool s3);

// Selecting a channel before its group's parameters: "AT+SETCHL=<n>" as the
// run log quotes it, and the command line (CR LF). The unit rewrites its
// store: 10 s, 3 attempts from both senders.
std::string SelectChannelText(int channel);
std::string SelectChannelCommand(int channel);
inline constexpr AnswerRule kSelectChannelRule{"OK", 10, 3};

// "AT+SAVEPARAM\r" (CR alone): the DTU keeps what was set; 3 s, 3 attempts.
std::string_view SaveParamsCommand();
inline constexpr AnswerRule kSaveParamsRule{"OK", 3, 3};

// The factory values: "AT+USEDEFAULT\r\n" (the earlier generation), or
// "AT+USEDEFAULT=<MODE>\r\n" with a mode token (channel_modes.h); 10 s, 3
// attempts from both senders.
std::string UseDefaultCommand();
std::string UseDefaultCommand(std::string_view mode_token);
inline constexpr AnswerRule kUseDefaultRule{"OK", 10, 3};

// A restart: the worker sends "AT+RESET\r\n" (3 s), the production test's
// run test "AT+RESET\r" (2 s); one attempt each.
std::string_view ResetCommand(DtuSender sender);
AnswerRule ResetRule(DtuSender sender);

// The upgrade step's two commands, both without a line end and without a
// value: "AT+SWUPDATE" then "AT+LOGIN="; 3 s, 3 attempts.
std::string_view UpgradeStartCommand();
std::string_view UpgradeLoginCommand();
inline constexpr AnswerRule kUpgradeRule{"OK", 3, 3};

}  // namespace zt
