#include "cli/prodtest_command.h"

#include <csignal>
#include <cstdint>
#include <iostream>
#include <limits>
#include <memory>

#include "cli/console.h"
#include "cli/console_test_view.h"
#include "cli/session.h"
#include "cli/stdin_prompt.h"
#include "prodtest/test_run.h"
#include "prodtest/test_settings.h"
#include "records/store_recorder.h"
#include "settings/record_settings.h"
#include "text/gbk.h"
#include "zereltool/version.h"

namespace zt::cli {
namespace {

using namespace zt::literals;

// Ctrl+C only raises this flag; the main thread stops the run.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) { g_interrupted.store(true); }

// Installs the handler for the length of a run.
class InterruptGuard {
 public:
  InterruptGuard() {
    g_interrupted.store(false);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_int_);
    sigaction(SIGTERM, &action, &previous_term_);
  }
  ~InterruptGuard() {
    sigaction(SIGINT, &previous_int_, nullptr);
    sigaction(SIGTERM, &previous_term_, nullptr);
  }
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

 private:
  struct sigaction previous_int_ {};
  struct sigaction previous_term_ {};
};

void PrintRefusal(std::string_view caption, std::string_view text) {
  std::cerr << GbkToUtf8(caption) << ": " << GbkToUtf8(text) << "\n";
}

// The view's choices from the command line; nothing when a text cannot be
// written in GBK.
std::optional<TestChoices> ChoicesOf(const Options& o) {
  TestChoices c;
  c.semi_finished = !o.finished;
  c.continuous = o.continuous;
  const long wait = o.wait_seconds.value_or(15);
  c.wait_time = static_cast<std::int32_t>(std::min<long>(wait, std::numeric_limits<std::int32_t>::max()));
  c.configure_item = o.config_file.has_value();
  c.config_file = o.config_file.value_or(std::string());
  c.run_test_item = o.run_test;
  if (o.key) {
    const std::optional<std::string> key = Utf8ToGbk(*o.key);
    if (!key) {
      std::cerr << "zereltool-cli: --key holds a character that GBK cannot encode\n";
      return std::nullopt;
    }
    c.key_string = *key;
  }
  c.signal_threshold = o.csq.value_or(0);
  c.allow_duplicate_imei = o.allow_duplicate_imei;
  return c;
}

// --product and --imei, checked as the dialog checks them.
std::optional<SerialNumbers> GivenNumbers(const Options& o, bool& refused) {
  refused = false;
  if (!o.product || !o.imei) return std::nullopt;
  const std::optional<std::string> product = Utf8ToGbk(*o.product);
  const SerialNumberVerdict verdict = CheckSerialNumbers(product.value_or(std::string("a")), *o.imei);
  if (!product || !verdict.accepted) {
    PrintRefusal(SerialNumberCaption(), verdict.refusal);
    refused = true;
    return std::nullopt;
  }
  return SerialNumbers{*product, *o.imei};
}

// The station's records (and the line's, with a URL); what cannot be
// opened is said once here, and again for each unit whose record is lost.
StationRecords OpenRecords(const Options& o, const std::string& settings_path) {
  StationRecords::Setup setup;
  setup.settings = ReadRecordSettings(settings_path);
  setup.records_file = o.records_file.value_or(setup.settings.file.empty() ? o.default_records_file
                                                                           : setup.settings.file);
  setup.operator_name = o.operator_name.value_or("");
  setup.url = o.records_url.value_or("");
  setup.tool_version = kVersion;
  StationRecords records(setup);
  if (!records.local_error().empty()) PrintLogLine(RecordNotWrittenLine(records.local_error()));
  if (!records.line_error().empty()) {
    PrintLogLine(std::string("无法打开产线测试记录库: "_gbk) + Utf8ToGbkLossy(records.line_error()));
  }
  return records;
}

}  // namespace

int RunProdtest(const Options& options) {
  const std::optional<TestChoices> choices = ChoicesOf(options);
  if (!choices) return kExitUsage;
  bool refused = false;
  const std::optional<SerialNumbers> given = GivenNumbers(options, refused);
  if (refused) return kExitUsage;
  const StartVerdict verdict = ValidateStart(*choices);
  if (!verdict.accepted()) {
    PrintRefusal(StartRefusalCaption(), verdict.refusal);
    return kExitUsage;
  }

  Session session(options);
  if (!session.Open(/*start_worker=*/false, /*port_lines=*/false)) return kExitUsage;
  // A validated Start stores the choices, as the window does; the run goes
  // on when they cannot be stored.
  if (!WriteTestSection(session.settings().Get().settings_path, *choices)) {
    PrintLogLine(TestSectionNotSavedLine());
  }

  ConsoleTestView view(*choices, options.units.value_or(0));
  std::unique_ptr<ISerialNumberPrompt> prompt;
  if (given) {
    prompt = std::make_unique<FixedSerialNumbers>(*given);
  } else {
    prompt = std::make_unique<StdinSerialNumberPrompt>();
  }
  UnitIdentity identity;
  StationRecords records = OpenRecords(options, session.settings().Get().settings_path);
  CTestRun run(TestEnvironment{session.port(), session.catalogue(), session.settings(), session.flags(),
                               session.messages(), session.catalogue_errors(), session.catalogue_folder(),
                               identity, &records.recorder(), &records.guard()});
  {
    const InterruptGuard guard;
    run.Start(*verdict.run, view, *prompt);
    while (!run.WaitFinished(std::chrono::milliseconds(50))) {
      if (g_interrupted.load()) {
        run.Stop(view);
        break;
      }
    }
  }
  view.Flush();
  // A record whose write failed after its unit was reported.
  records.recorder().Flush();
  for (const std::string& line : records.recorder().TakeNotices()) PrintLogLine(line);
  return run.LastOutcome() == RunOutcome::kPassed ? kExitOk : kExitFailed;
}

}  // namespace zt::cli
