#include "cli/prodtest_command.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <iostream>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>

#include "cli/console.h"
#include "cli/console_test_view.h"
#include "cli/session.h"
#include "cli/stdin_prompt.h"
#include "common/file_read.h"
#include "prodtest/test_run.h"
#include "prodtest/test_settings.h"
#include "records/store_recorder.h"
#include "settings/record_settings.h"
#include "text/control_bytes.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"
#include "zereltool/version.h"

namespace zt::cli {

using namespace zt::literals;

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
  // A product number GBK cannot hold could not have been typed into the
  // dialog either: it is refused as one with a forbidden character.
  const SerialNumberVerdict verdict = product ? CheckSerialNumbers(*product, *o.imei) : ProductNumberRefusal();
  if (!verdict.accepted) {
    PrintRefusal(SerialNumberCaption(), verdict.refusal);
    refused = true;
    return std::nullopt;
  }
  return SerialNumbers{*product, *o.imei};
}

int RunSeveralPorts(const Options& options, const std::vector<std::string>& ports);

// How long the command waits at its end for records on their way to a
// line's database that is up; the rest go with the next run.
constexpr std::chrono::seconds kForwardingAtExit{5};
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
  if (options.ports.size() > 1 || options.ports_file) {
    const PortList list = PortsOf(options);
    if (!list.error.empty()) {
      std::cerr << "zereltool-cli: " << list.error << "\n";
      return kExitUsage;
    }
    return RunSeveralPorts(options, list.ports);
  }
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
  records.FinishForwarding(kForwardingAtExit);
  return run.LastOutcome() == RunOutcome::kPassed ? kExitOk : kExitFailed;
}

PortList PortsOf(const Options& options) {
  PortList list{options.ports, {}};
  if (options.ports_file) {
    std::string bytes;
    if (ReadWholeFile(*options.ports_file, bytes) != FileReadStatus::kRead) {
      return {{}, "cannot read the ports file " + *options.ports_file};
    }
    std::size_t start = 0;
    while (start < bytes.size()) {
      std::size_t end = bytes.find('\n', start);
      if (end == std::string::npos) end = bytes.size();
      std::string line = bytes.substr(start, end - start);
      start = end + 1;
      const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
      while (!line.empty() && blank(line.back())) line.pop_back();
      while (!line.empty() && blank(line.front())) line.erase(0, 1);
      if (line.empty() || line.front() == '#') continue;
      if (HasControlByte(line)) return {{}, "the ports file names a port holding a control character"};
      list.ports.push_back(line);
    }
  }
  if (list.ports.empty()) return {{}, "no port to test on"};
  for (std::size_t i = 0; i < list.ports.size(); ++i) {
    if (std::find(list.ports.begin(), list.ports.begin() + static_cast<std::ptrdiff_t>(i), list.ports[i]) !=
        list.ports.begin() + static_cast<std::ptrdiff_t>(i)) {
      return {{}, "the port " + list.ports[i] + " is given twice"};
    }
  }
  if (!options.products.empty() && options.products.size() != list.ports.size()) {
    return {{}, "--product and --imei are given once per port"};
  }
  return list;
}

std::string PortLabel(const std::string& port) {
  if (port.find("://") != std::string::npos) return port;
  const std::size_t slash = port.rfind('/');
  return slash == std::string::npos ? port : port.substr(slash + 1);
}

namespace {

// One port's share of a run on several ports: its own session (settings,
// flags, catalogue, port), view, serial-number source and production test.
struct PortRun {
  std::string label;  // "[ttyUSB3] "
  std::unique_ptr<Session> session;
  std::unique_ptr<ConsoleTestView> view;
  std::unique_ptr<ISerialNumberPrompt> prompt;
  UnitIdentity identity;
  std::unique_ptr<StoreUnitRecorder> recorder;
  std::unique_ptr<CTestRun> run;
};

// Standard input serves one port's question at a time, naming the port; the
// others wait their turn (and give up at once when their run is stopped).
class QueuedStdinPrompt final : public ISerialNumberPrompt {
 public:
  QueuedStdinPrompt(StdinSerialNumberPrompt& input, std::mutex& turn, std::string label)
      : input_(input), turn_(turn), label_(std::move(label)) {}
  std::optional<SerialNumbers> AskSerialNumbers(const std::atomic<bool>& cancel) override {
    std::unique_lock lock(turn_, std::defer_lock);
    while (!lock.try_lock()) {
      if (cancel.load()) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return input_.AskSerialNumbers(cancel, label_);
  }

 private:
  StdinSerialNumberPrompt& input_;
  std::mutex& turn_;
  std::string label_;
};

std::string_view OutcomeText(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::kPassed: return "通过"_gbk;
    case RunOutcome::kFailed: return "失败"_gbk;
    case RunOutcome::kHalted:
    case RunOutcome::kStopped: return "停止"_gbk;
    case RunOutcome::kNone:
    case RunOutcome::kNoSteps: break;
  }
  return "未测试"_gbk;
}

int RunSeveralPorts(const Options& options, const std::vector<std::string>& ports) {
  const std::optional<TestChoices> choices = ChoicesOf(options);
  if (!choices) return kExitUsage;
  const StartVerdict verdict = ValidateStart(*choices);
  if (!verdict.accepted()) {
    PrintRefusal(StartRefusalCaption(), verdict.refusal);
    return kExitUsage;
  }
  std::vector<std::unique_ptr<PortRun>> runs;
  for (std::size_t i = 0; i < ports.size(); ++i) {
    auto r = std::make_unique<PortRun>();
    r->label = "[" + PortLabel(ports[i]) + "] ";
    Options own = options;
    own.port = ports[i];
    if (!options.products.empty()) {
      own.product = options.products[i];
      own.imei = options.imeis[i];
      bool refused = false;
      const std::optional<SerialNumbers> given = GivenNumbers(own, refused);
      if (refused) return kExitUsage;
      r->prompt = std::make_unique<FixedSerialNumbers>(*given);
    }
    r->session = std::make_unique<Session>(own);
    r->session->SetLinePrefix(r->label);
    runs.push_back(std::move(r));
  }
  // Every port opens before any unit starts: a port that will not open ends
  // the command as it does for one port.
  for (auto& r : runs) {
    if (!r->session->Open(/*start_worker=*/false, /*port_lines=*/false)) return kExitUsage;
  }
  if (!WriteTestSection(runs.front()->session->settings().Get().settings_path, *choices)) {
    PrintLogLine(TestSectionNotSavedLine());
  }
  StdinSerialNumberPrompt input;
  std::mutex input_turn;
  // One store (and line) for the station; a recorder for each port's run.
  StationRecords records = OpenRecords(options, runs.front()->session->settings().Get().settings_path);
  for (auto& r : runs) {
    r->view = std::make_unique<ConsoleTestView>(*choices, options.units.value_or(0), r->label);
    if (!r->prompt) r->prompt = std::make_unique<QueuedStdinPrompt>(input, input_turn, r->label);
    r->recorder = records.NewRecorder();
    Session& s = *r->session;
    r->run = std::make_unique<CTestRun>(TestEnvironment{s.port(), s.catalogue(), s.settings(), s.flags(),
                                                        s.messages(), s.catalogue_errors(), s.catalogue_folder(),
                                                        r->identity, r->recorder.get(), &records.guard()});
  }
  {
    const InterruptGuard guard;
    for (auto& r : runs) r->run->Start(*verdict.run, *r->view, *r->prompt);
    for (;;) {
      bool all_ended = true;
      for (std::size_t i = 0; i < runs.size(); ++i) {
        all_ended = runs[i]->run->WaitFinished(std::chrono::milliseconds(i == 0 ? 50 : 0)) && all_ended;
      }
      if (all_ended) break;
      if (g_interrupted.load()) {
        // Stop on every port at once, as the Stop button would on each.
        for (auto& r : runs) {
          if (r->run->Running()) r->run->BeginStop(*r->view);
        }
        for (auto& r : runs) {
          while (!r->run->WaitFinished(std::chrono::milliseconds(50))) {
          }
          r->run->EndStop(*r->view);
        }
        break;
      }
    }
  }
  bool all_passed = true;
  for (auto& r : runs) {
    r->view->Flush();
    r->recorder->Flush();
    for (const std::string& line : r->recorder->TakeNotices()) PrintLogLine(line, r->label);
    const RunOutcome outcome = r->run->LastOutcome();
    all_passed = all_passed && outcome == RunOutcome::kPassed;
    PrintLogLine(Format("结果: %s, 通过的单元: %d"_gbk, std::string(OutcomeText(outcome)),
                        r->run->PassedUnits()),
                 r->label);
  }
  runs.clear();  // the runs and their recorders end before the stores they write to
  records.FinishForwarding(kForwardingAtExit);
  return all_passed ? kExitOk : kExitFailed;
}

}  // namespace
}  // namespace zt::cli
