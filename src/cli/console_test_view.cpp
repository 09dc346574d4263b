#include "cli/console_test_view.h"

#include "cli/console.h"

namespace zt::cli {

ConsoleTestView::ConsoleTestView(TestChoices choices, long units) : ConsoleTestView(std::move(choices), units, {}) {}

ConsoleTestView::ConsoleTestView(TestChoices choices, long units, std::string utf8_prefix)
    : FixedChoicesTestView(std::move(choices)), units_(units), prefix_(std::move(utf8_prefix)) {}

void ConsoleTestView::AppendTestInfo(std::string_view gbk) {
  std::lock_guard lock(mutex_);
  pending_.append(gbk);
  std::size_t start = 0;
  for (std::size_t lf = pending_.find('\n'); lf != std::string::npos; lf = pending_.find('\n', start)) {
    PrintLogLine(std::string_view(pending_).substr(start, lf + 1 - start), prefix_);
    start = lf + 1;
  }
  pending_.erase(0, start);
}

bool ConsoleTestView::ContinuousFlag() const {
  return FixedChoicesTestView::ContinuousFlag() && (units_ <= 0 || passed_.load() < units_);
}

void ConsoleTestView::Flush() {
  std::lock_guard lock(mutex_);
  if (!pending_.empty()) PrintLogLine(pending_, prefix_);
  pending_.clear();
}

}  // namespace zt::cli
