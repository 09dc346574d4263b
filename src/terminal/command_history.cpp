#include "terminal/command_history.h"

#include "text/numbers.h"
#include "text/profile_file.h"

namespace zt {
namespace {

constexpr std::string_view kSection = "history";
constexpr std::string_view kCount = "count";

std::string LineKey(std::size_t index) { return "line" + std::to_string(index + 1); }

}  // namespace

bool CommandHistory::Add(std::string_view line) {
  walk_ = 0;
  draft_.clear();
  if (line.empty() || line.find_first_of("\r\n") != std::string_view::npos) return false;
  if (!lines_.empty() && lines_.back() == line) return false;
  lines_.emplace_back(line);
  while (lines_.size() > kLimit) lines_.pop_front();
  return true;
}

std::optional<std::string> CommandHistory::Older(std::string_view draft) {
  if (walk_ >= lines_.size()) return std::nullopt;
  if (walk_ == 0) draft_ = draft;
  ++walk_;
  return lines_[lines_.size() - walk_];
}

std::optional<std::string> CommandHistory::Newer() {
  if (walk_ == 0) return std::nullopt;
  --walk_;
  if (walk_ == 0) return std::move(draft_);
  return lines_[lines_.size() - walk_];
}

void CommandHistory::Replace(std::deque<std::string> lines) {
  lines_ = std::move(lines);
  while (lines_.size() > kLimit) lines_.pop_front();
  walk_ = 0;
  draft_.clear();
}

CommandHistory LoadHistory(const std::string& path) {
  const ProfileFile file = ProfileFile::Load(path);
  const long count = Atoi(file.Get(kSection, kCount).value_or("0"));
  std::deque<std::string> lines;
  for (long i = 0; i < count && i < static_cast<long>(CommandHistory::kLimit) * 10; ++i) {
    std::optional<std::string> line = file.Get(kSection, LineKey(static_cast<std::size_t>(i)));
    if (line && !line->empty()) lines.push_back(std::move(*line));
  }
  CommandHistory history;
  history.Replace(std::move(lines));
  return history;
}

bool SaveHistory(const std::string& path, const CommandHistory& history) {
  ProfileFile file;
  const std::deque<std::string>& lines = history.Lines();
  file.Set(kSection, kCount, std::to_string(lines.size()));
  for (std::size_t i = 0; i < lines.size(); ++i) file.Set(kSection, LineKey(i), "\"" + lines[i] + "\"");
  return file.Save(path);
}

}  // namespace zt
