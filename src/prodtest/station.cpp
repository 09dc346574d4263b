#include "prodtest/station.h"

#include "serial/port_texts.h"
#include "serial/serial_port.h"

namespace zt {

Station::Station(std::string port_name, const ToolSettings& base, const StationServices& services)
    : port_name_(std::move(port_name)), services_(services) {
  ToolSettings own = base;
  own.port_name = port_name_;
  settings_.Set(own);
  port_ = std::make_unique<CSerialPort>(settings_, flags_);
  run_ = std::make_unique<CTestRun>(TestEnvironment{*port_, catalogue_, settings_, flags_, services_.messages,
                                                    services_.catalogue_errors, services_.catalogue_folder,
                                                    identity_, services_.recorder, services_.imei_guard});
}

Station::~Station() {
  // The run goes first: it may still use the port.
  run_.reset();
  port_->Close();
}

bool Station::OpenPort() {
  if (port_->IsOpen()) return true;
  const PortResult opened = port_->Open();
  if (!opened) {
    board_.Refused(OpenFailureText(opened));
    return false;
  }
  return true;
}

void Station::ClosePort() {
  if (!run_->Running()) port_->Close();
}

bool Station::PortOpen() const { return port_->IsOpen(); }

bool Station::Start(const RunSettings& run, const TestChoices& choices, ISerialNumberPrompt& prompt) {
  if (board_.Snapshot().run_active) return false;
  // A run that has restored its controls is about to end: its thread is
  // joined before the next run starts.
  if (run_->Running() && !run_->WaitFinished(std::chrono::seconds(1))) return false;
  if (!OpenPort()) return false;
  continuous_.store(choices.continuous);
  wait_time_.store(choices.wait_time);
  semi_finished_.store(choices.semi_finished);
  configure_.store(choices.configure_item);
  upgrade_.store(choices.upgrade_item);
  run_test_.store(choices.run_test_item);
  prompt_ = &prompt;
  board_.RunStarted();
  if (run_->Start(run, *this, *this)) return true;
  board_.RunEnded();
  return false;
}

void Station::Stop() {
  BeginStop();
  while (!WaitFinished(std::chrono::milliseconds(50))) {
  }
  EndStop();
}

void Station::BeginStop() { run_->BeginStop(*this); }

bool Station::WaitFinished(std::chrono::milliseconds timeout) { return run_->WaitFinished(timeout); }

void Station::EndStop() { run_->EndStop(*this); }

void Station::SetInfoSink(InfoSink sink) {
  std::lock_guard lock(sink_mutex_);
  sink_ = std::move(sink);
}

void Station::AppendTestInfo(std::string_view gbk) {
  std::lock_guard lock(sink_mutex_);
  if (sink_) sink_(gbk);
}

void Station::RestoreTestControls() { board_.RunEnded(); }

void Station::UnitPassed() { board_.Passed(); }

void Station::UnitStepStarted(const UnitStep& step) { board_.StepStarted(step); }

void Station::UnitFailed(std::string_view failure) { board_.Failed(failure); }

std::optional<SerialNumbers> Station::AskSerialNumbers(const std::atomic<bool>& cancel) {
  std::optional<SerialNumbers> numbers = prompt_->AskSerialNumbers(cancel);
  if (numbers) board_.NumbersGiven(numbers->product_number, numbers->imei);
  return numbers;
}

void Station::Cancel() { prompt_->Cancel(); }

}  // namespace zt
