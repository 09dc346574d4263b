// The AT terminal's history: the last 100 lines sent from the input line,
// walked with Up and Down, and kept across runs in "at_history.ini" beside
// the quick-send panel's cmd.ini (the process's current folder).
//
//   [history]
//   count=2
//   line1="AT+CSQ"          the oldest first; quoted so blanks at either end stay
//   line2="AT+GETPARAM=SPSV"
//
// Thread safety: an object belongs to one thread; the file functions touch
// only their file.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace zt {

inline constexpr std::string_view kHistoryFile = "at_history.ini";

class CommandHistory {
 public:
  static constexpr std::size_t kLimit = 100;

  // A line sent: kept unless it is empty, holds a line end, or repeats the
  // newest line; the oldest goes beyond 100. Ends a walk. True when the
  // lines changed.
  bool Add(std::string_view line);

  // Up: the next older line, or nothing at the oldest. The first step keeps
  // `draft` (what the input line held) for the way back.
  std::optional<std::string> Older(std::string_view draft);
  // Down: the next newer line; past the newest the draft comes back and the
  // walk ends; nothing when no walk is under way.
  std::optional<std::string> Newer();

  // Oldest first.
  const std::deque<std::string>& Lines() const { return lines_; }
  void Replace(std::deque<std::string> lines);

 private:
  std::deque<std::string> lines_;
  std::size_t walk_ = 0;  // lines back from the end; 0 when not walking
  std::string draft_;
};

// Fills the history from the file; an absent file leaves it empty. Lines the
// file holds beyond the limit are dropped (the oldest).
CommandHistory LoadHistory(const std::string& path);
// Writes the whole file anew (atomically); false when it cannot be written.
bool SaveHistory(const std::string& path, const CommandHistory& history);

}  // namespace zt
