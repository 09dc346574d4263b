#include "terminal/at_reply.h"

namespace zt {
namespace {

bool IsErrorLine(std::string_view line) {
  return line == "ERROR" || line.starts_with("+CME ERROR") || line.starts_with("+CMS ERROR");
}

}  // namespace

AtReplyEnd AtReplyCollector::Feed(std::string_view bytes) {
  while (end_ == AtReplyEnd::kOpen && !bytes.empty()) {
    const std::size_t lf = bytes.find('\n');
    if (lf == std::string_view::npos) {
      partial_.append(bytes);
      break;
    }
    partial_.append(bytes.substr(0, lf));
    bytes.remove_prefix(lf + 1);
    std::string line;
    line.swap(partial_);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    TakeLine(std::move(line));
  }
  return end_;
}

void AtReplyCollector::TakeLine(std::string line) {
  if (line.empty()) return;
  if (!echo_seen_ && line == command_) {
    // The echo: lines before it were sent before the command was heard.
    echo_seen_ = true;
    lines_.clear();
    return;
  }
  std::string_view trimmed = line;
  while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\r')) trimmed.remove_suffix(1);
  if (trimmed == "OK") end_ = AtReplyEnd::kOk;
  if (IsErrorLine(trimmed)) end_ = AtReplyEnd::kError;
  lines_.push_back(std::move(line));
}

}  // namespace zt
