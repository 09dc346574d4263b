#include "cli/cli_options.h"

#include "params/channel_modes.h"
#include "text/control_bytes.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <string_view>

namespace zt::cli {
namespace {

std::optional<long> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0') return std::nullopt;
  return value;
}

constexpr std::int32_t kModes[] = {kModeSin, kModeBak, kModeMul, kModeMulb};

std::string ModeList() {
  std::string list;
  for (std::size_t i = 0; i < std::size(kModes); ++i) {
    if (i > 0) list += i + 1 == std::size(kModes) ? " or " : ", ";
    list += ModeToken(kModes[i]);
  }
  return list;
}

constexpr const char* kFooter = R"(output
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

// Options written before their command's name, or given to another command:
// what today's users are told.
struct Stray {
  std::string_view option;
  const char* message;
};
constexpr const char* kProdtestOnly =
    "--run-test, --key, --csq, --finished, --product, --imei, --continuous, --wait, --units, --ports-file, "
    "--operator, --allow-duplicate-imei, --records-url and --records-file belong to prodtest";
constexpr Stray kStrays[] = {
    {"--export", "--export belongs to read"},
    {"--param", "--param belongs to write"},
    {"--config", "--config belongs to write and prodtest"},
    {"--partial", "--partial belongs to write --config"},
    {"--run-test", kProdtestOnly}, {"--key", kProdtestOnly}, {"--csq", kProdtestOnly},
    {"--finished", kProdtestOnly}, {"--product", kProdtestOnly}, {"--imei", kProdtestOnly},
    {"--continuous", kProdtestOnly}, {"--wait", kProdtestOnly}, {"--units", kProdtestOnly},
    {"--ports-file", kProdtestOnly},
    {"--operator", kProdtestOnly}, {"--allow-duplicate-imei", kProdtestOnly}, {"--records-url", kProdtestOnly},
    {"--records-file", kProdtestOnly},
    {"--no-login", "--no-login and --timeout belong to at"},
    {"--timeout", "--no-login and --timeout belong to at"},
    {"--timestamps", "--timestamps, --hex and --log belong to monitor"},
    {"--hex", "--timestamps, --hex and --log belong to monitor"},
    {"--log", "--timestamps, --hex and --log belong to monitor"},
};

// What the options hold as text until they are checked.
struct Texts {
  std::optional<std::string> baud, mode, csq, wait, units, timeout;
};

// The whole command line; `o` and `t` receive what it holds.
void Describe(CLI::App& app, Options& o, Texts& t) {
  app.description("Configures and tests a DTU on a serial port without the window.");
  app.footer(kFooter);
  app.set_help_flag("-h,--help", "this text");
  app.set_version_flag("--version", std::string(), "the version");
  app.get_formatter()->column_width(34);
  // Options of the whole tool may also follow the command's name; what is
  // not recognised is kept and judged after the parse.
  app.fallthrough();
  app.allow_extras();
  app.require_subcommand(0, 1);
  app.add_option("-p,--port", o.ports,
                 "port name or device path: COM<n> is /dev/ttyS<n-1>, a name starting with / is used as is, "
                 "rfc2217://HOST:PORT and tcp://HOST:PORT are ports on other machines (ser2net), "
                 "other names are under /dev (default: tool_set.ini, else COM1); prodtest takes several, "
                 "one unit on each at once")
      ->type_name("PORT")
      ->allow_extra_args(false);
  app.add_option("-b,--baud", t.baud, "line speed (default: tool_set.ini, else 57600)")->type_name("N");
  app.add_option("--password", o.password,
                 "login password, at most 6 characters (default: tool_set.ini, else the built-in one)");
  app.add_option("-m,--mode", t.mode, "channel mode " + ModeList() + " (default " +
                                          std::string(ModeToken(kModeSin)) + ")")->type_name("MODE");
  app.add_option("--catalogue-dir", o.catalogue_dir,
                 "folder with dtuparam_s2.ini and dtuparam_s3.ini (default: see paths)")->type_name("DIR");
  app.add_option("--settings", o.settings_file, "the tool_set.ini to read (default: see paths)")
      ->type_name("FILE");

  const auto command = [&](const char* name, Command which, const char* text) {
    CLI::App* sub = app.add_subcommand(name, text);
    sub->parse_complete_callback([&o, which] { o.command = which; });
    return sub;
  };
  CLI::App* read = command("read", Command::kRead,
                           "connect (which queries) and print the parameter table; with --export also write the "
                           "configuration file");
  read->add_option("--export", o.export_file, "also write the configuration file FILE")->type_name("FILE");

  CLI::App* write = command(
      "write", Command::kWrite,
      "connect, then set with channels. --param: give each parameter whose short name is KEY the value (checked "
      "as an operator's edit is) and select exactly those; KEY@N names the channel group of channel N when several "
      "groups share the keyword. --config: import the configuration file and select every parameter that is not "
      "read-only; a file that lacks a parameter the set would send is refused (it would be sent empty) unless "
      "--partial is given, which selects only the parameters the file holds");
  write->add_option("--param", o.params, "KEY=VALUE, repeatable")->type_name("KEY=VALUE")->allow_extra_args(false);
  write->add_option("--config", o.config_file, "the configuration file to import")->type_name("FILE");
  write->add_flag("--partial", o.partial, "select only the parameters the file holds");

  command("defaults", Command::kDefaults, "connect, restore the factory values for --mode, then query");
  command("restart", Command::kRestart, "connect, then restart the DTU");

  CLI::App* at = command("at", Command::kAt,
                         "wake the DTU and log in (unless --no-login: the commands go to the port as it is), send "
                         "each COMMAND with CR LF and print its reply after the echo, up to its OK or ERROR line; "
                         "stops at the first ERROR or at a reply not complete within MS milliseconds "
                         "(default 10000)");
  at->add_option("COMMAND", o.at_commands, "the AT commands, in order");
  at->add_flag("--no-login", o.no_login, "send to the port as it is");
  at->add_option("--timeout", t.timeout, "milliseconds a reply may take")->type_name("MS");

  CLI::App* monitor = command("monitor", Command::kMonitor,
                              "print what the port receives, sending nothing, until Ctrl+C");
  monitor->add_flag("--timestamps", o.timestamps, "start each line with the time its first byte came");
  monitor->add_flag("--hex", o.hex, "show 16 bytes a line as hex with the text beside");
  monitor->add_option("--log", o.log_file, "also write it (GBK) to FILE, a new file")->type_name("FILE");

  CLI::App* prodtest = command(
      "prodtest", Command::kProdtest,
      "the production test; Ctrl+C stops the run as the Stop button does. The test's lines go to standard error; "
      "the choices are stored in section TEST of the settings file, as Start stores them");
  prodtest->add_option("--config", o.config_file, "configure and compare from the file")->type_name("FILE");
  prodtest->add_flag("--run-test", o.run_test, "reset the unit and wait for the key string, then check the signal");
  prodtest->add_option("--key", o.key, "the key string")->type_name("TEXT");
  prodtest->add_option("--csq", t.csq, "the least signal")->type_name("N");
  prodtest->add_flag("--finished", o.finished,
                     "write the product number and IMEI (asked on standard input when not given)");
  prodtest->add_option("--product", o.products, "the product number (with several ports: once per port)")
      ->type_name("P")
      ->allow_extra_args(false);
  prodtest->add_option("--imei", o.imeis, "the IMEI (with several ports: once per port)")
      ->type_name("I")
      ->allow_extra_args(false);
  prodtest->add_option("--ports-file", o.ports_file, "test on the ports FILE names, one a line, as on --port")
      ->type_name("FILE");
  prodtest->add_flag("--continuous", o.continuous, "test one unit after the other");
  prodtest->add_option("--wait", t.wait, "seconds between units")->type_name("SECONDS");
  prodtest->add_option("--units", t.units, "end a continuous run after N passed units")->type_name("N");
  prodtest->add_option("--operator", o.operator_name, "who tests, for the records (default: tool_set.ini)")
      ->type_name("NAME");
  prodtest->add_flag("--allow-duplicate-imei", o.allow_duplicate_imei,
                     "write an IMEI that a passed unit of another product used (the record says so)");
  prodtest->add_option("--records-url", o.records_url,
                       "also ask the line's database (postgresql://...) for used IMEIs (default: tool_set.ini)")
      ->type_name("URL");
  prodtest->add_option("--records-file", o.records_file, "the station's records file (default: see paths)")
      ->type_name("FILE");

  command("paths", Command::kPaths,
          "print which settings, catalogue and other files are used, and why (beside the program, or the user's "
          "own folders when the tool is installed)");
  // Listed for the help only: main() hands "ports" to its own parser first.
  app.add_subcommand("ports",
                     "[--json] [--udev-rule PORT [--serial]]: list the serial ports (name, stable name, "
                     "description, VID:PID, serial number, holder), or print a udev rule that keeps "
                     "ModemManager off the USB port PORT");
  app.add_subcommand("records",
                     "list [filters] | show UUID | export --csv FILE | --json FILE | --ocp FILE [filters] | "
                     "stats [filters]: the production records (zereltool-cli records --help)");
}

// What the parse left over, as today's users are told it.
std::string LeftOver(const Options& o, const std::vector<std::string>& rest) {
  const std::string& word = rest.front();
  if (word.starts_with("-")) {
    const std::string name = word.substr(0, word.find('='));
    for (const Stray& s : kStrays) {
      if (name == s.option) return s.message;
    }
    return "unknown or incomplete option: " + word;
  }
  if (o.command == Command::kNone) return "unknown command: " + word;
  return "unexpected argument: " + word;
}

// Numbers and the mode, as given in text.
std::string TakeTexts(const Texts& t, Options& o) {
  if (t.baud) {
    const auto n = ParseNumber(*t.baud);
    // A speed is 32 bits on the wire to the driver: a larger one is refused,
    // not cut to some other speed.
    if (!n || *n <= 0 || *n > std::numeric_limits<std::uint32_t>::max()) {
      return "--baud needs a positive number";
    }
    o.baud = static_cast<unsigned>(*n);
  }
  if (t.mode) {
    const ModeChoice choice = ModeFromToken(*t.mode, kModeSin);
    if (!choice.recognised) return "--mode is " + ModeList();
    o.mode_selector = choice.selector_index;
  }
  if (t.csq) {
    const auto n = ParseNumber(*t.csq);
    if (!n) return "--csq needs a number";
    o.csq = *n;
  }
  if (t.wait) {
    const auto n = ParseNumber(*t.wait);
    if (!n || *n < 0) return "--wait needs a number of seconds";
    o.wait_seconds = *n;
  }
  if (t.units) {
    const auto n = ParseNumber(*t.units);
    if (!n || *n < 1) return "--units needs a positive number";
    o.units = *n;
  }
  if (t.timeout) {
    const auto n = ParseNumber(*t.timeout);
    if (!n || *n < 1) return "--timeout needs a positive number of milliseconds";
    o.timeout_ms = *n;
  }
  return {};
}

}  // namespace

std::string UsageText() {
  Options o;
  Texts t;
  CLI::App app("", "zereltool-cli");
  Describe(app, o, t);
  return app.help("", CLI::AppFormatMode::All);
}

ParseResult ParseOptions(int argc, char** argv) {
  ParseResult r;
  Options& o = r.options;
  Texts t;
  CLI::App app("", "zereltool-cli");
  Describe(app, o, t);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    o.help = true;
    return r;
  } catch (const CLI::CallForVersion&) {
    o.version = true;
    return r;
  } catch (const CLI::ParseError& e) {
    return {o, e.what()};
  }
  if (const std::vector<std::string> rest = app.remaining(true); !rest.empty()) return {o, LeftOver(o, rest)};
  if (std::string e = TakeTexts(t, o); !e.empty()) return {o, std::move(e)};
  if (o.command == Command::kNone) return {o, "no command given"};
  if (o.command == Command::kWrite && o.params.empty() && !o.config_file) {
    return {o, "write needs --param KEY=VALUE or --config FILE"};
  }
  if (o.command == Command::kWrite && !o.params.empty() && o.config_file) {
    return {o, "write takes --param or --config, not both"};
  }
  if (o.partial && !o.config_file) return {o, "--partial belongs to write --config"};
  if (o.command == Command::kAt && o.at_commands.empty()) return {o, "at needs at least one COMMAND"};
  for (const std::string& port : o.ports) {
    if (HasControlByte(port)) return {o, "a port name holds a control character"};
  }
  if (!o.ports.empty()) o.port = o.ports.back();
  if (o.ports.size() > 1 && o.command != Command::kProdtest) return {o, "several ports are for prodtest only"};
  const bool several = o.ports.size() > 1 || o.ports_file;
  if ((!o.products.empty() || !o.imeis.empty()) && !o.finished) {
    return {o, "--product and --imei belong to --finished"};
  }
  if (o.products.size() != o.imeis.size()) return {o, "--product and --imei go together"};
  if (!several && o.products.size() > 1) return {o, "--product and --imei are given once for one port"};
  if (several && !o.products.empty() && !o.ports_file && o.products.size() != o.ports.size()) {
    return {o, "--product and --imei are given once per port"};
  }
  if (o.products.size() == 1) {
    o.product = o.products.front();
    o.imei = o.imeis.front();
  }
  return r;
}

}  // namespace zt::cli
