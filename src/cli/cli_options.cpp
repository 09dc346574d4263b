#include "cli/cli_options.h"

#include "cli/at_command.h"
#include "cli/monitor_command.h"

#include <getopt.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace zt::cli {
namespace {

enum LongOnly : int {
  kOptPassword = 1000,
  kOptCatalogueDir,
  kOptSettings,
  kOptParam,
  kOptExport,
  kOptConfig,
  kOptPartial,
  kOptRunTest,
  kOptKey,
  kOptCsq,
  kOptFinished,
  kOptProduct,
  kOptImei,
  kOptContinuous,
  kOptWait,
  kOptUnits,
  kOptVersion,
  kOptNoLogin,
  kOptTimeout,
  kOptTimestamps,
  kOptHex,
  kOptLog,
};

std::optional<long> ParseNumber(const char* text) {
  if (text == nullptr || *text == '\0') return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0') return std::nullopt;
  return value;
}

std::optional<int> SelectorOf(const std::string& mode) {
  static const char* const kModes[] = {"SIN", "BAK", "MUL", "MULB"};
  for (int i = 0; i < 4; ++i) {
    if (mode == kModes[i]) return i;
  }
  return std::nullopt;
}

std::optional<Command> CommandOf(const std::string& name) {
  if (name == "read") return Command::kRead;
  if (name == "write") return Command::kWrite;
  if (name == "defaults") return Command::kDefaults;
  if (name == "restart") return Command::kRestart;
  if (name == "prodtest") return Command::kProdtest;
  if (name == "paths") return Command::kPaths;
  if (name == "at") return Command::kAt;
  if (name == "monitor") return Command::kMonitor;
  return std::nullopt;
}

}  // namespace

std::string UsageText() {
  return R"(Usage: zereltool-cli [OPTIONS] COMMAND [ARGS]

Configures and tests a DTU on a serial port without the window.

options
  -p, --port NAME         port name or device path: COM<n> is /dev/ttyS<n-1>, a name
                          starting with / is used as is, other names are under /dev
                          (default: tool_set.ini, else COM1)
  -b, --baud N            line speed (default: tool_set.ini, else 57600)
      --password TEXT     login password, at most 6 characters
                          (default: tool_set.ini, else the built-in one)
  -m, --mode MODE         channel mode SIN, BAK, MUL or MULB (default SIN)
      --catalogue-dir DIR folder with dtuparam_s2.ini and dtuparam_s3.ini
                          (default: see paths)
      --settings FILE     the tool_set.ini to read (default: see paths)
  -h, --help              this text
      --version           the version

commands
  read [--export FILE]    connect (which queries) and print the parameter table;
                          with --export also write the configuration file
  write --param KEY=VALUE [--param ...]
                          connect, give each parameter whose short name is KEY the
                          value (checked as an operator's edit is), select exactly
                          those, then set with channels; KEY@N names the channel
                          group of channel N when several groups share the keyword
  write --config FILE [--partial]
                          connect, import the configuration file, select every
                          parameter that is not read-only, then set with channels;
                          a file that lacks a parameter the set would send is
                          refused (it would be sent empty) unless --partial is
                          given, which selects only the parameters the file holds
  defaults                connect, restore the factory values for --mode, then query
  restart                 connect, then restart the DTU
  at [--no-login] [--timeout MS] COMMAND...
                          wake the DTU and log in (unless --no-login: the commands go
                          to the port as it is), send each COMMAND with CR LF and print
                          its reply after the echo, up to its OK or ERROR line; stops at
                          the first ERROR or at a reply not complete within MS
                          milliseconds (default 10000)
  monitor [--timestamps] [--hex] [--log FILE]
                          print what the port receives, sending nothing, until Ctrl+C;
                          --timestamps starts each line with the time its first byte
                          came, --hex shows 16 bytes a line as hex with the text beside,
                          --log also writes it (GBK) to FILE, a new file
  prodtest [--config FILE] [--run-test --key TEXT --csq N]
           [--finished [--product P --imei I]] [--continuous --wait SECONDS] [--units N]
                          the production test: --config configures and compares from
                          the file, --run-test resets the unit and waits for the key
                          string, then checks the signal against N; --finished writes
                          the product number and IMEI (asked on standard input when
                          not given); --units N ends a continuous run after N passed
                          units; Ctrl+C stops the run as the Stop button does. The
                          test's lines go to standard error; the choices are stored
                          in section TEST of the settings file, as Start stores them
  paths                   print which settings, catalogue and other files are used,
                          and why (beside the program, or the user's own folders
                          when the tool is installed)
  ports [--json] [--udev-rule PORT [--serial]]
                          list the serial ports (name, stable name, description,
                          VID:PID, serial number, holder), or print a udev rule that
                          keeps ModemManager off the USB port PORT

output
  The run log goes to standard error, one line per entry, as UTF-8. The parameter
  table goes to standard output as tab-separated UTF-8 rows: group, parameter,
  short name, value (passwords masked; tab, CR and LF in a value shown as \t \r \n).
  at and monitor print what the unit sent as UTF-8 on standard output, every control
  byte but the line ends shown as \xNN.
  Other control bytes, and bytes that are not GBK, show as \xNN in both.

exit status
  0 success (monitor: ended by Ctrl+C); 1 the DTU operation (or a tested unit) failed,
  the test was stopped, or an at reply was ERROR or did not come in time;
  2 bad usage, a port that cannot be opened, a refused value, setting or configuration
  file, or a catalogue error
)";
}

ParseResult ParseOptions(int argc, char** argv) {
  static const option kLong[] = {
      {"port", required_argument, nullptr, 'p'},
      {"baud", required_argument, nullptr, 'b'},
      {"password", required_argument, nullptr, kOptPassword},
      {"mode", required_argument, nullptr, 'm'},
      {"catalogue-dir", required_argument, nullptr, kOptCatalogueDir},
      {"settings", required_argument, nullptr, kOptSettings},
      {"param", required_argument, nullptr, kOptParam},
      {"export", required_argument, nullptr, kOptExport},
      {"config", required_argument, nullptr, kOptConfig},
      {"partial", no_argument, nullptr, kOptPartial},
      {"run-test", no_argument, nullptr, kOptRunTest},
      {"key", required_argument, nullptr, kOptKey},
      {"csq", required_argument, nullptr, kOptCsq},
      {"finished", no_argument, nullptr, kOptFinished},
      {"product", required_argument, nullptr, kOptProduct},
      {"imei", required_argument, nullptr, kOptImei},
      {"continuous", no_argument, nullptr, kOptContinuous},
      {"wait", required_argument, nullptr, kOptWait},
      {"units", required_argument, nullptr, kOptUnits},
      {"no-login", no_argument, nullptr, kOptNoLogin},
      {"timeout", required_argument, nullptr, kOptTimeout},
      {"timestamps", no_argument, nullptr, kOptTimestamps},
      {"hex", no_argument, nullptr, kOptHex},
      {"log", required_argument, nullptr, kOptLog},
      {"help", no_argument, nullptr, 'h'},
      {"version", no_argument, nullptr, kOptVersion},
      {nullptr, 0, nullptr, 0},
  };
  ParseResult r;
  Options& o = r.options;
  optind = 0;  // allow repeated parsing (tests)
  opterr = 0;
  for (;;) {
    const int c = getopt_long(argc, argv, "+p:b:m:h", kLong, nullptr);
    if (c == -1) {
      // A word that is not an option: the command. Options may follow it.
      if (optind >= argc) break;
      if (o.command == Command::kAt) {  // the commands to send
        o.at_commands.emplace_back(argv[optind++]);
        continue;
      }
      if (o.command != Command::kNone) return {o, std::string("unexpected argument: ") + argv[optind]};
      const auto command = CommandOf(argv[optind]);
      if (!command) return {o, std::string("unknown command: ") + argv[optind]};
      o.command = *command;
      ++optind;
      continue;
    }
    const std::string arg = optarg != nullptr ? optarg : "";
    switch (c) {
      case 'p': o.port = arg; break;
      case 'b': {
        const auto n = ParseNumber(optarg);
        if (!n || *n <= 0) return {o, "--baud needs a positive number"};
        o.baud = static_cast<unsigned>(*n);
        break;
      }
      case kOptPassword: o.password = arg; break;
      case 'm': {
        const auto s = SelectorOf(arg);
        if (!s) return {o, "--mode is SIN, BAK, MUL or MULB"};
        o.mode_selector = *s;
        break;
      }
      case kOptCatalogueDir: o.catalogue_dir = arg; break;
      case kOptSettings: o.settings_file = arg; break;
      case kOptParam: o.params.push_back(arg); break;
      case kOptExport: o.export_file = arg; break;
      case kOptConfig: o.config_file = arg; break;
      case kOptPartial: o.partial = true; break;
      case kOptRunTest: o.run_test = true; break;
      case kOptKey: o.key = arg; break;
      case kOptCsq: {
        const auto n = ParseNumber(optarg);
        if (!n) return {o, "--csq needs a number"};
        o.csq = *n;
        break;
      }
      case kOptFinished: o.finished = true; break;
      case kOptProduct: o.product = arg; break;
      case kOptImei: o.imei = arg; break;
      case kOptContinuous: o.continuous = true; break;
      case kOptWait: {
        const auto n = ParseNumber(optarg);
        if (!n || *n < 0) return {o, "--wait needs a number of seconds"};
        o.wait_seconds = *n;
        break;
      }
      case kOptUnits: {
        const auto n = ParseNumber(optarg);
        if (!n || *n < 1) return {o, "--units needs a positive number"};
        o.units = *n;
        break;
      }
      case kOptNoLogin: o.no_login = true; break;
      case kOptTimeout: {
        const auto n = ParseNumber(optarg);
        if (!n || *n < 1) return {o, "--timeout needs a positive number of milliseconds"};
        o.timeout_ms = *n;
        break;
      }
      case kOptTimestamps: o.timestamps = true; break;
      case kOptHex: o.hex = true; break;
      case kOptLog: o.log_file = arg; break;
      case 'h': o.help = true; return r;
      case kOptVersion: o.version = true; return r;
      default:
        return {o, std::string("unknown or incomplete option: ") + (optind > 0 && optind <= argc ? argv[optind - 1] : "")};
    }
  }
  if (o.command == Command::kNone) return {o, "no command given"};
  if (o.command == Command::kWrite && o.params.empty() && !o.config_file) {
    return {o, "write needs --param KEY=VALUE or --config FILE"};
  }
  if (o.command == Command::kWrite && !o.params.empty() && o.config_file) {
    return {o, "write takes --param or --config, not both"};
  }
  if (o.export_file && o.command != Command::kRead) return {o, "--export belongs to read"};
  if (!o.params.empty() && o.command != Command::kWrite) return {o, "--param belongs to write"};
  if (o.config_file && o.command != Command::kWrite && o.command != Command::kProdtest) {
    return {o, "--config belongs to write and prodtest"};
  }
  if (o.partial && (o.command != Command::kWrite || !o.config_file)) {
    return {o, "--partial belongs to write --config"};
  }
  const bool prodtest_options = o.run_test || o.key || o.csq || o.finished || o.product || o.imei ||
                                o.continuous || o.wait_seconds || o.units;
  if (prodtest_options && o.command != Command::kProdtest) {
    return {o, "--run-test, --key, --csq, --finished, --product, --imei, --continuous, --wait and --units "
               "belong to prodtest"};
  }
  if (std::string e = CheckAtOptions(o); !e.empty()) return {o, std::move(e)};
  if (std::string e = CheckMonitorOptions(o); !e.empty()) return {o, std::move(e)};
  if ((o.product || o.imei) && !o.finished) return {o, "--product and --imei belong to --finished"};
  if (o.product.has_value() != o.imei.has_value()) return {o, "--product and --imei go together"};
  return r;
}

}  // namespace zt::cli
