// zereltool-cli's test view: the information box goes to standard error one
// line at a time, as the run log does, and continuous testing can end after
// a number of passed units.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

#include "prodtest/test_view.h"

namespace zt::cli {

class ConsoleTestView final : public FixedChoicesTestView {
 public:
  // `units`: continuous testing ends after that many passed units (0: never).
  ConsoleTestView(TestChoices choices, long units);
  // Each line printed starts with `utf8_prefix` (several ports at once).
  ConsoleTestView(TestChoices choices, long units, std::string utf8_prefix);

  // The box's text is a stream: a line is printed once its line end came.
  void AppendTestInfo(std::string_view gbk) override;
  void RestoreTestControls() override {}
  void UnitPassed() override { passed_.fetch_add(1); }
  bool ContinuousFlag() const override;

  // Prints what is left without a line end.
  void Flush();

 private:
  std::mutex mutex_;
  std::string pending_;
  long units_;
  std::string prefix_;
  std::atomic<long> passed_{0};
};

}  // namespace zt::cli
