#include "cli/records_command.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

#include "cli/console.h"
#include "paths/process_paths.h"
#include "records/line_store.h"
#include "records/record_export.h"
#include "records/sqlite_record_store.h"
#include "settings/record_settings.h"
#include "text/atomic_file.h"
#include "text/utf8_escape.h"

namespace zt::cli {
namespace {

struct RecordsOptions {
  std::optional<std::string> settings_file;
  std::optional<std::string> records_file;
  std::optional<std::string> records_url;
  std::string since, until, imei, product, result, station;
  std::string uuid;
  std::optional<std::string> csv, json, ocp;
};

std::string ForTerminal(const std::string& utf8) { return EscapeUtf8Controls(utf8); }

void AddFilters(CLI::App* app, RecordsOptions& o) {
  app->add_option("--since", o.since, "units started at or after T (UTC ISO 8601, or a prefix)")->type_name("T");
  app->add_option("--until", o.until, "units started before T")->type_name("T");
  app->add_option("--imei", o.imei, "the IMEI written or read back")->type_name("I");
  app->add_option("--product", o.product, "the product number written or read back")->type_name("P");
  app->add_option("--result", o.result, "passed, failed or stopped")->type_name("R");
  app->add_option("--station", o.station, "the station's name")->type_name("S");
}

// A time as the records hold it (2026-12-07T08:00:00.123Z), or a prefix of
// one; "…:00Z" without the milliseconds is taken as "…:00". Nothing for any
// other text, which would compare as text and filter wrongly.
std::optional<std::string> RecordTime(std::string text) {
  constexpr std::string_view kForm = "dddd-dd-ddTdd:dd:dd.dddZ";
  if (text.size() == 20 && text.back() == 'Z') text.pop_back();
  if (text.size() > kForm.size()) return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kForm[i] == 'd' ? !digit : text[i] != kForm[i]) return std::nullopt;
  }
  return text;
}

// The store the command reads: the line's with a URL, else the station's.
// Nothing with `missing` set when the station has no records file yet.
std::unique_ptr<IRecordStore> OpenStore(const RecordsOptions& o, bool& missing, std::string& error) {
  missing = false;
  if (o.records_url) return OpenLineStore(*o.records_url, error);
  const FileLocations files = LocateProcessFiles(o.settings_file, std::nullopt);
  const RecordSettings settings = ReadRecordSettings(files.settings.path);
  const std::string path = o.records_file.value_or(settings.file.empty() ? files.records.path : settings.file);
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    missing = true;
    error = "no records file at " + path + " (no unit was tested with it yet)";
    return nullptr;
  }
  RecordStoreOptions reading;
  reading.create = false;
  return SqliteRecordStore::Open(path, error, reading);
}

void PrintList(const std::vector<UnitRecord>& records) {
  for (const UnitRecord& r : records) {
    const std::string product = r.product_written.empty() ? r.product_read : r.product_written;
    const std::string imei = r.imei_written.empty() ? r.imei_read : r.imei_written;
    std::string failure;
    for (const StepRecord& s : r.steps) {
      if (s.result == RecordResult::kFailed) {
        failure = s.name + (s.failure.empty() ? "" : ": " + s.failure);
        break;
      }
    }
    std::cout << ForTerminal(r.started) << '\t' << r.uuid << '\t' << RecordResultToken(r.result) << '\t'
              << ForTerminal(r.station) << '\t' << (product.empty() ? "-" : ForTerminal(product)) << '\t'
              << (imei.empty() ? "-" : ForTerminal(imei)) << '\t' << (failure.empty() ? "-" : ForTerminal(failure))
              << '\n';
  }
}

void PrintRecord(const UnitRecord& r) {
  const auto line = [](const char* name, const std::string& value) {
    std::cout << name << ": " << ForTerminal(value) << '\n';
  };
  line("uuid", r.uuid);
  line("result", RecordResultToken(r.result));
  line("started", r.started);
  line("ended", r.ended);
  line("station", r.station);
  line("operator", r.operator_name);
  line("port", r.port);
  line("tool version", r.tool_version);
  line("test type", r.finished_product ? "finished" : "semi-finished");
  std::string items;
  for (const std::string& item : r.items) items += (items.empty() ? "" : ", ") + item;
  line("items", items);
  line("configuration file", r.config_path);
  line("configuration sha256", r.config_sha256);
  line("key string", r.key_string);
  line("signal threshold", std::to_string(r.signal_threshold));
  line("software version", r.software_version);
  line("product number written", r.product_written);
  line("IMEI written", r.imei_written);
  line("product number read", r.product_read);
  line("IMEI read", r.imei_read);
  line("signal", r.signal ? std::to_string(*r.signal) : "-");
  line("duplicate IMEI allowed", r.duplicate_imei_override ? "yes" : "no");
  for (std::string identity : r.identity_lines) {
    while (!identity.empty() && (identity.back() == '\n' || identity.back() == '\r')) identity.pop_back();
    line("identity", identity);
  }
  std::cout << "steps:\n";
  for (const StepRecord& s : r.steps) {
    std::cout << "  " << ForTerminal(s.name) << '\t' << RecordResultToken(s.result) << '\t' << s.duration_ms
              << " ms" << (s.failure.empty() ? "" : "\t" + ForTerminal(s.failure)) << '\n';
  }
}

void PrintStats(const RecordStats& s) {
  char yield[32];
  char rate[32];
  std::snprintf(yield, sizeof yield, "%.1f%%", s.YieldPercent());
  std::snprintf(rate, sizeof rate, "%.1f", s.UnitsPerHour());
  std::cout << "units: " << s.units << "\npassed: " << s.passed << "\nfailed: " << s.failed
            << "\nstopped: " << s.stopped << "\nyield: " << yield << "\nunits per hour: " << rate << '\n';
  std::cout << "top failures:\n";
  for (const FailureCount& f : s.top_failures) std::cout << "  " << f.units << '\t' << ForTerminal(f.text) << '\n';
  std::cout << "units per hour (UTC):\n";
  for (const HourCount& h : s.hours) {
    std::cout << "  " << h.hour << "\t" << h.units << " units\t" << h.passed << " passed\t" << h.failed
              << " failed\n";
  }
}

// "-" is standard output; a file is written whole or not at all.
bool WriteOut(const std::string& target, const std::string& text) {
  if (target == "-") {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0;
  }
  if (!WriteFileAtomically(target, text)) {
    std::cerr << "zereltool-cli: " << target << " could not be written\n";
    return false;
  }
  return true;
}

int Fail(const std::string& message, int status = kExitUsage) {
  std::cerr << "zereltool-cli: " << message << "\n";
  return status;
}

// What the records command is given: the words after "records", with the
// tool's --settings moved behind it when it came first, as with every other
// command ("--settings F records list" is "records --settings F list").
std::optional<std::vector<std::string>> RecordsWords(int argc, char** argv) {
  std::vector<std::string> words;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (word == "--settings" && i + 1 < argc) {
      words.insert(words.end(), {argv[i], argv[i + 1]});
      ++i;
    } else if (word.starts_with("--settings=")) {
      words.emplace_back(word);
    } else {
      break;
    }
  }
  if (i == argc || std::string_view(argv[i]) != "records") return std::nullopt;
  words.insert(words.end(), argv + i + 1, argv + argc);
  return words;
}

}  // namespace

bool IsRecordsCommand(int argc, char** argv) { return RecordsWords(argc, argv).has_value(); }

int RunRecordsCommand(int argc, char** argv) {
  RecordsOptions o;
  CLI::App app{"The production records of this station (or of the line with --records-url)",
               "zereltool-cli records"};
  app.require_subcommand(1, 1);
  app.add_option("--settings", o.settings_file, "the tool_set.ini to read (default: see paths)")->type_name("FILE");
  app.add_option("--records-file", o.records_file, "the records file (default: see paths)")->type_name("FILE");
  app.add_option("--records-url", o.records_url, "the line's database (postgresql://...)")->type_name("URL");
  app.fallthrough();
  CLI::App* list = app.add_subcommand("list", "one line per unit, newest first: started, uuid, result, station, "
                                              "product number, IMEI, failed step and its text");
  AddFilters(list, o);
  CLI::App* show = app.add_subcommand("show", "one record with its steps");
  show->add_option("UUID", o.uuid, "the record's UUID")->required();
  CLI::App* exporter = app.add_subcommand("export", "write the records, oldest first (\"-\" writes to standard output)");
  AddFilters(exporter, o);
  CLI::Option* csv = exporter->add_option("--csv", o.csv, "as CSV")->type_name("FILE");
  CLI::Option* json = exporter->add_option("--json", o.json, "as a JSON array")->type_name("FILE");
  CLI::Option* ocp = exporter->add_option("--ocp", o.ocp, "as OCP Test and Validation Output 2.0 JSON lines")
                         ->type_name("FILE");
  csv->excludes(json)->excludes(ocp);
  json->excludes(ocp);
  CLI::App* stats = app.add_subcommand("stats", "units, passed, failed, yield, top failure texts, units per hour");
  AddFilters(stats, o);
  try {
    std::vector<std::string> words = RecordsWords(argc, argv).value_or(std::vector<std::string>{});
    std::reverse(words.begin(), words.end());  // CLI11 takes them last first
    app.parse(words);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? kExitOk : kExitUsage;
  }
  if (exporter->parsed() && !o.csv && !o.json && !o.ocp) return Fail("export needs --csv, --json or --ocp FILE");

  RecordFilter filter;
  const std::optional<std::string> since = RecordTime(o.since);
  const std::optional<std::string> until = RecordTime(o.until);
  if (!since || !until) {
    return Fail("--since and --until are UTC times such as 2026-12-07T08:00:00Z, or a prefix of one");
  }
  filter.since = *since;
  filter.until = *until;
  filter.imei = o.imei;
  filter.product = o.product;
  filter.station = o.station;
  if (!o.result.empty()) {
    filter.result = RecordResultFromToken(o.result);
    if (!filter.result) return Fail("--result is passed, failed or stopped");
  }

  bool missing = false;
  std::string error;
  std::unique_ptr<IRecordStore> store = OpenStore(o, missing, error);
  if (store == nullptr && !missing) return Fail(error);
  if (missing) std::cerr << "zereltool-cli: " << error << "\n";

  if (show->parsed()) {
    if (!store) return kExitFailed;
    const std::optional<UnitRecord> record = store->Find(o.uuid);
    if (!record) return Fail("no record " + ForTerminal(o.uuid), kExitFailed);
    PrintRecord(*record);
    return kExitOk;
  }
  if (stats->parsed()) {
    std::optional<RecordStats> s = store ? store->Stats(filter) : RecordStats{};
    if (!s) return Fail(store->LastError());
    PrintStats(*s);
    return kExitOk;
  }
  std::optional<std::vector<UnitRecord>> records = store ? store->List(filter) : std::vector<UnitRecord>{};
  if (!records) return Fail(store->LastError());
  if (list->parsed()) {
    PrintList(*records);
    return kExitOk;
  }
  std::reverse(records->begin(), records->end());
  if (o.csv) return WriteOut(*o.csv, RecordsCsv(*records)) ? kExitOk : kExitUsage;
  if (o.json) return WriteOut(*o.json, RecordsJson(*records)) ? kExitOk : kExitUsage;
  return WriteOut(*o.ocp, RecordsOcp(*records)) ? kExitOk : kExitUsage;
}

}  // namespace zt::cli
