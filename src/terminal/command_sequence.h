// The AT terminal's command sequences: a list of steps run one after another
// against the DTU, kept in a GBK INI file of their own ("at_sequence.ini"
// beside cmd.ini unless the operator picks another file).
//
//   [sequence]
//   steps=3
//   [step1]
//   kind=send_line        send, send_line (CR LF after the text), send_hex,
//   text="AT+CSQ"         wait (for the text), pause
//   [step2]
//   kind=wait
//   text="OK"
//   ms=2000               the wait's limit, or the pause's length
//   [step3]
//   kind=pause
//   ms=500
//
// Thread safety: pure data and functions; the file functions touch only
// their file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

inline constexpr std::string_view kSequenceFile = "at_sequence.ini";

enum class StepKind { kSendText, kSendLine, kSendHex, kWaitText, kPause };

struct SequenceStep {
  StepKind kind = StepKind::kSendLine;
  std::string text;  // GBK: what is sent (hex digits for kSendHex) or waited for
  int ms = 0;        // the wait's limit or the pause's length, milliseconds

  bool operator==(const SequenceStep&) const = default;
};

struct CommandSequence {
  std::vector<SequenceStep> steps;

  bool operator==(const CommandSequence&) const = default;
};

inline constexpr int kLongestStepMs = 3600 * 1000;
inline constexpr std::size_t kMostSteps = 1000;

// The bytes a send step puts on the wire; nothing for a hex text that
// ParseHexInput refuses, and for the other kinds.
std::optional<std::string> StepBytes(const SequenceStep& step);

// Why a sequence cannot run, as the operator reads it (GBK), naming the first
// step at fault; empty when it can.
std::string CheckSequence(const CommandSequence& sequence);

// The file's name of a kind ("send_line") and back.
std::string_view StepKindName(StepKind kind);
std::optional<StepKind> StepKindFromName(std::string_view name);

// Reads a sequence file; nothing when it cannot be read or holds no
// [sequence] section. Unknown kinds are skipped; times are kept within 0 to
// one hour.
std::optional<CommandSequence> LoadSequence(const std::string& path);
// Writes the file anew (atomically); false when it cannot be written.
bool SaveSequence(const std::string& path, const CommandSequence& sequence);

}  // namespace zt
