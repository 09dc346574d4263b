// The command line of zereltool-cli.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zt::cli {

enum class Command { kNone, kRead, kWrite, kDefaults, kRestart, kProdtest, kPaths, kAt, kMonitor };

struct Options {
  Command command = Command::kNone;
  std::optional<std::string> port;      // UTF-8 as given (the only one of `ports`)
  std::vector<std::string> ports;       // every --port, in order (several: prodtest only)
  std::optional<std::string> ports_file;  // prodtest --ports-file FILE: one port a line
  std::optional<unsigned> baud;
  std::optional<std::string> password;
  int mode_selector = 0;                 // SIN 0, BAK 1, MUL 2, MULB 3
  std::optional<std::string> catalogue_dir;
  std::optional<std::string> settings_file;
  std::vector<std::string> params;       // write --param KEY=VALUE, as given
  std::optional<std::string> export_file;  // read --export FILE
  std::optional<std::string> config_file;  // write --config FILE, prodtest --config FILE
  bool partial = false;                    // write --config FILE --partial
  // prodtest
  bool run_test = false;
  std::optional<std::string> key;
  std::optional<long> csq;
  bool finished = false;
  std::optional<std::string> product;   // the only one of `products`
  std::optional<std::string> imei;
  std::vector<std::string> products;    // several ports: one value per port, in the ports' order
  std::vector<std::string> imeis;
  bool continuous = false;
  std::optional<long> wait_seconds;
  std::optional<long> units;
  std::optional<std::string> operator_name;  // --operator, UTF-8
  bool allow_duplicate_imei = false;
  std::optional<std::string> records_url;
  std::optional<std::string> records_file;  // --records-file; else RECORDS_FILE, else the place `paths` names
  std::string default_records_file;         // that place, filled in when the files are located
  // at
  std::vector<std::string> at_commands;  // as given
  bool no_login = false;
  std::optional<long> timeout_ms;
  // monitor
  bool timestamps = false;
  bool hex = false;
  std::optional<std::string> log_file;
  bool help = false;
  bool version = false;
};

struct ParseResult {
  Options options;
  std::string error;  // empty when the command line is usable
};

ParseResult ParseOptions(int argc, char** argv);

// The text of --help.
std::string UsageText();

}  // namespace zt::cli
