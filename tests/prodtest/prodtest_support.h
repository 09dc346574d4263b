// What the production-test suites share: a recording test view, scripted
// serial-number prompts, a recording message box, and the environment of a
// run on a port whose device is given by the test.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/message_box.h"
#include "params/catalogue_loader.h"
#include "params/shared_catalogue.h"
#include "prodtest/test_run.h"
#include "prodtest/test_view.h"
#include "serial/serial_port.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"

namespace zt::test {

// The information box as one text, with the counts of the view's other calls.
class RecordingTestView final : public FixedChoicesTestView {
 public:
  explicit RecordingTestView(TestChoices choices) : FixedChoicesTestView(std::move(choices)) {}

  void AppendTestInfo(std::string_view gbk) override {
    {
      std::lock_guard lock(mutex_);
      text_.append(gbk);
      ++appends_;
    }
    changed_.notify_all();
  }
  void RestoreTestControls() override {
    std::lock_guard lock(mutex_);
    ++restores_;
  }
  void UnitPassed() override {
    std::lock_guard lock(mutex_);
    ++passed_;
    unit_reports_.push_back("passed");
  }
  void UnitStepStarted(const UnitStep& step) override {
    std::lock_guard lock(mutex_);
    unit_reports_.push_back(UnitStepText(step));
  }
  void UnitFailed(std::string_view failure) override {
    std::lock_guard lock(mutex_);
    unit_reports_.push_back("failed:" + std::string(failure));
  }
  bool ContinuousFlag() const override {
    const int limit = units_limit_.load();
    std::lock_guard lock(mutex_);
    return FixedChoicesTestView::ContinuousFlag() && (limit == 0 || passed_ < limit);
  }

  // Continuous testing ends after this many passed units (0: never).
  void EndAfterUnits(int units) { units_limit_.store(units); }

  std::string Text() const {
    std::lock_guard lock(mutex_);
    return text_;
  }
  int Restores() const {
    std::lock_guard lock(mutex_);
    return restores_;
  }
  int Passed() const {
    std::lock_guard lock(mutex_);
    return passed_;
  }
  // The unit's reports in order: the step texts, "passed", "failed:<text>".
  std::vector<std::string> UnitReports() const {
    std::lock_guard lock(mutex_);
    return unit_reports_;
  }
  // Waits until the information box holds `text`.
  bool WaitForText(std::string_view text, std::chrono::milliseconds limit = std::chrono::seconds(20)) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return text_.find(text) != std::string::npos; });
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::string text_;
  int appends_ = 0;
  int restores_ = 0;
  int passed_ = 0;
  std::vector<std::string> unit_reports_;
  std::atomic<int> units_limit_{0};
};

// Answers every question with the same numbers, or closes it.
class FixedPrompt final : public ISerialNumberPrompt {
 public:
  explicit FixedPrompt(std::optional<SerialNumbers> answer) : answer_(std::move(answer)) {}
  std::optional<SerialNumbers> AskSerialNumbers(const std::atomic<bool>&) override {
    ++asked_;
    return answer_;
  }
  int Asked() const { return asked_.load(); }

 private:
  std::optional<SerialNumbers> answer_;
  std::atomic<int> asked_{0};
};

// Answers the questions in turn with the numbers given, then closes them.
class SequencePrompt final : public ISerialNumberPrompt {
 public:
  explicit SequencePrompt(std::vector<SerialNumbers> answers) : answers_(std::move(answers)) {}
  std::optional<SerialNumbers> AskSerialNumbers(const std::atomic<bool>&) override {
    const std::size_t n = next_.fetch_add(1);
    if (n >= answers_.size()) return std::nullopt;
    return answers_[n];
  }

 private:
  std::vector<SerialNumbers> answers_;
  std::atomic<std::size_t> next_{0};
};

// Never answers: the question stays open until the run is stopped.
class OpenPrompt final : public ISerialNumberPrompt {
 public:
  std::optional<SerialNumbers> AskSerialNumbers(const std::atomic<bool>& cancel) override {
    std::unique_lock lock(mutex_);
    asking_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return cancelled_ || cancel.load(); });
    asking_ = false;
    return std::nullopt;
  }
  void Cancel() override {
    {
      std::lock_guard lock(mutex_);
      cancelled_ = true;
    }
    changed_.notify_all();
  }
  bool WaitAsking(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return asking_; });
  }
  bool Cancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool asking_ = false;
  bool cancelled_ = false;
};

struct ShownBox {
  std::string text;
  std::string caption;
  MessageIcon icon;
};

class RecordingBoxes final : public IMessageBox, public ICatalogueErrors {
 public:
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
    std::lock_guard lock(mutex_);
    shown_.push_back({std::string(text), std::string(caption), icon});
  }
  void ShowCatalogueMessage(std::string_view gbk) override { ShowMessage(gbk, "catalogue", MessageIcon::kError); }
  void CatalogueFatal(std::string_view gbk) override { ShowMessage(gbk, "fatal", MessageIcon::kError); }
  void CatalogueFileError(std::string_view gbk) override { ShowMessage(gbk, "file", MessageIcon::kError); }
  std::vector<ShownBox> Shown() const {
    std::lock_guard lock(mutex_);
    return shown_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<ShownBox> shown_;
};

// A port, catalogue and settings for a run; the test names the device.
class TestRunEnvironment {
 public:
  TestRunEnvironment(const std::string& device, const std::string& catalogue_folder) {
    settings.Update([&](ToolSettings& s) {
      s.port_name = device;
      s.baud = 115200;
      s.password = "pilot";
      s.connect_timeout = 5;
    });
    port = std::make_unique<CSerialPort>(settings, flags);
    folder = catalogue_folder;
  }
  bool Open() { return port->Open().ok(); }
  TestEnvironment Env() {
    return TestEnvironment{*port, catalogue, settings, flags, boxes, boxes, folder, identity};
  }

  ToolSettingsStore settings;
  ProcessFlags flags;
  RecordingBoxes boxes;
  SharedCatalogue catalogue;
  UnitIdentity identity;
  std::string folder;
  std::unique_ptr<CSerialPort> port;
};

}  // namespace zt::test
