#include "dtusim/options.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <string_view>

#include "dtusim/param_set.h"

namespace zt::dtusim {
namespace {

enum OptionId {
  kProfile = 1000,
  kTty,
  kLink,
  kState,
  kStdinLifeline,
  kWireLog,
  kBootDelay,
  kReady,
  kNoReady,
  kReadyZero,
  kPassword,
  kMute,
  kMuteAfter,
  kErrorOn,
  kDelay,
  kChunked,
  kReenumerate,
  kSeed,
  kLfOnly,
  kValue,
  kReportMode,
  kCsq,
  kHugeReply,
  kHangupAfter,
  kHelp,
  kVersion,
};

const option kLongOptions[] = {
    {"profile", required_argument, nullptr, kProfile},
    {"tty", required_argument, nullptr, kTty},
    {"link", required_argument, nullptr, kLink},
    {"state", required_argument, nullptr, kState},
    {"stdin-lifeline", no_argument, nullptr, kStdinLifeline},
    {"wire-log", required_argument, nullptr, kWireLog},
    {"boot-delay", required_argument, nullptr, kBootDelay},
    {"ready", required_argument, nullptr, kReady},
    {"no-ready", no_argument, nullptr, kNoReady},
    {"ready-zero", no_argument, nullptr, kReadyZero},
    {"password", required_argument, nullptr, kPassword},
    {"mute", no_argument, nullptr, kMute},
    {"mute-after", required_argument, nullptr, kMuteAfter},
    {"error-on", required_argument, nullptr, kErrorOn},
    {"delay", required_argument, nullptr, kDelay},
    {"chunked", no_argument, nullptr, kChunked},
    {"seed", required_argument, nullptr, kSeed},
    {"lf-only", no_argument, nullptr, kLfOnly},
    {"value", required_argument, nullptr, kValue},
    {"report-mode", required_argument, nullptr, kReportMode},
    {"csq", required_argument, nullptr, kCsq},
    {"huge-reply", no_argument, nullptr, kHugeReply},
    {"reenumerate-on-reset", no_argument, nullptr, kReenumerate},
    {"hangup-after", required_argument, nullptr, kHangupAfter},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

template <typename T>
bool ParseNumber(std::string_view text, T max, T* out) {
  T v{};
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || v > max) return false;
  *out = v;
  return true;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options* out, std::string* error) {
  Options o;
  opterr = 0;
  optind = 0;  // 0, not 1: glibc then also forgets where an earlier parse stopped
  int id;
  while ((id = getopt_long(argc, argv, ":h", kLongOptions, nullptr)) != -1) {
    const std::string_view arg = optarg != nullptr ? optarg : "";
    // The word getopt stopped at, for messages.
    const std::string name = argv[std::clamp(optind - 1, 1, argc - 1)];
    std::uint64_t n = 0;
    switch (id) {
      case kProfile:
        o.profile_path = arg;
        break;
      case kTty:
        o.tty_path = arg;
        break;
      case kLink:
        o.link_path = arg;
        break;
      case kState:
        o.state_path = arg;
        break;
      case kStdinLifeline:
        o.stdin_lifeline = true;
        break;
      case kWireLog:
        o.wire_log_path = arg;
        break;
      case kBootDelay:
        if (!ParseNumber<std::uint64_t>(arg, 600000, &n)) {
          *error = "--boot-delay takes milliseconds (0 to 600000)";
          return false;
        }
        o.boot_delay = Millis(n);
        break;
      case kReady:
        o.ready = std::string(arg);
        break;
      case kNoReady:
        o.no_ready = true;
        break;
      case kReadyZero:
        o.ready_zero = true;
        break;
      case kPassword:
        o.password = std::string(arg);
        break;
      case kMute:
        o.faults.mute = true;
        break;
      case kMuteAfter:
        if (!ParseNumber<std::uint64_t>(arg, UINT64_MAX, &n)) {
          *error = "--mute-after takes a number of exchanges";
          return false;
        }
        o.faults.mute_after = n;
        break;
      case kErrorOn:
        if (arg.empty()) {
          *error = "--error-on takes a command prefix or a keyword";
          return false;
        }
        o.faults.error_on.emplace_back(arg);
        break;
      case kDelay:
        if (!ParseNumber<std::uint64_t>(arg, 600000, &n)) {
          *error = "--delay takes milliseconds (0 to 600000)";
          return false;
        }
        o.faults.reply_delay = Millis(n);
        break;
      case kChunked:
        o.chunked = true;
        break;
      case kSeed: {
        std::uint32_t seed = 0;
        if (!ParseNumber<std::uint32_t>(arg, UINT32_MAX, &seed)) {
          *error = "--seed takes a number from 0 to 4294967295";
          return false;
        }
        o.seed = seed;
        break;
      }
      case kLfOnly:
        o.faults.lf_only = true;
        break;
      case kValue: {
        ValueOverride v;
        if (!ParseValueOverride(arg, &v)) {
          *error = "--value takes KEY=VALUE or CHANNEL:KEY=VALUE";
          return false;
        }
        o.faults.values.push_back(std::move(v));
        break;
      }
      case kReportMode:
        if (arg.empty()) {
          *error = "--report-mode takes a mode (SIN, BAK, MUL, MULB or any other token)";
          return false;
        }
        o.faults.report_mode = arg;
        break;
      case kCsq: {
        int csq = 0;
        if (!ParseNumber<int>(arg, 999, &csq)) {
          *error = "--csq takes a number from 0 to 999";
          return false;
        }
        o.csq = csq;
        break;
      }
      case kHugeReply:
        o.faults.huge_reply = true;
        break;
      case kReenumerate:
        o.faults.reenumerate_on_reset = true;
        break;
      case kHangupAfter:
        if (!ParseNumber<std::uint64_t>(arg, UINT64_MAX, &n)) {
          *error = "--hangup-after takes a number of bytes";
          return false;
        }
        o.hangup_after = n;
        break;
      case 'h':
      case kHelp:
        o.help = true;
        break;
      case kVersion:
        o.version = true;
        break;
      case ':':
        *error = "option " + name + " needs a value";
        return false;
      default:
        *error = "unknown option " + name;
        return false;
    }
  }
  if (optind < argc) {
    *error = std::string("unexpected argument ") + argv[optind];
    return false;
  }
  *out = std::move(o);
  return true;
}

const char* HelpText() {
  return R"(Usage: dtusim [OPTION]...
A simulated DTU on the far end of a serial line. It opens a pseudo-terminal
pair, prints the path of its slave side on the first line of standard output
and answers there as a DTU would. Point the tool (or picocom, socat) at that
path. It ends on SIGTERM or SIGINT.

Line:
  --profile FILE      device profile (default: dtusim_s3.profile beside the
                      program, else in ../share/zereltool/ of an installed
                      program; dtusim_s2.profile is an S2 unit)
  --tty PATH          serve this existing tty instead of a new pair
  --link PATH         also make PATH a symbolic link to the slave side
                      (removed again on exit)
  --state FILE        keep the saved parameters in FILE, so that they survive
                      a restart of the simulator (default: in memory only)
  --stdin-lifeline    end when standard input closes (for test programs)
  --wire-log FILE     log every byte received and sent, one line per chunk:
                      time, "<" received / ">" sent, hex, printable
  --boot-delay MS     after AT+RESET, the boot banner follows after MS
                      milliseconds (default 300)
  --ready TEXT        the text the unit prints when it has booted (default:
                      "ready" of the profile)
  --password PWD      the login password (default: "password" of the profile)
  --csq N             the signal AT+CSQ reports, "+CSQ: N,99" (99 included)

Faults:
  --mute              never answer anything
  --mute-after N      answer N exchanges (wake-ups and command lines), then
                      never again
  --error-on TEXT     answer ERROR to every command starting with TEXT
                      (for example AT+SAVEPARAM, AT+SETCHL=2) and to
                      AT+GETPARAM= / AT+SETPARAM= of the keyword TEXT;
                      may be given several times
  --delay MS          send every answer MS milliseconds late
  --chunked           send every answer in random pieces of 1 to 16 bytes
                      with gaps of 1 to 15 ms
  --seed N            seed of those pieces (default: random, shown on
                      standard error)
  --lf-only           end the lines the unit sends with LF alone
  --value [N:]KEY=VALUE
                      report VALUE for KEY whatever is set (N: in the block
                      of channel N); a KEY the unit lacks is added, so
                      --value DTUID=12 adds a keyword ending in ID and
                      --value APN=BOOK a value containing OK; reported
                      exactly as given; may be given several times
  --report-mode MODE  run in MODE from the start, whatever
                      AT+USEDEFAULT=<mode> or AT+SETPARAM=OPPRM,<mode> asks
                      (S3 units; MODE may be any token, even "sin")
  --no-ready          boot without printing the ready text
  --ready-zero        send a zero byte just before the ready text, in the
                      same write (start-up noise)
  --huge-reply        pad the AT+GETPARAM? reply beyond 40960 bytes
  --hangup-after N    drop the line (close the master side) after sending N
                      bytes, as an unplugged adapter would, and end
  --reenumerate-on-reset
                      after the OK to AT+RESET, drop the line and serve a new
                      pseudo-terminal (the --link is removed and made again
                      for it), as a USB unit re-enumerates when it resets

  -h, --help          show this text
      --version       show the version

Texts given on the command line are used as bytes: give GBK bytes for texts
in Chinese. Exit status: 0 after a stop, the end of the lifeline or the
hang-up fault; 1 when the line fails; 2 on a bad command line or profile.
)";
}

}  // namespace zt::dtusim
