#include "terminal/command_sequence.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <utility>

#include "terminal/terminal_input.h"
#include "terminal/terminal_texts.h"
#include "text/numbers.h"
#include "text/profile_file.h"
#include "text/strformat.h"

namespace zt {
namespace {

constexpr std::string_view kSection = "sequence";

constexpr std::array<std::pair<StepKind, std::string_view>, 5> kKindNames = {{
    {StepKind::kSendText, "send"},
    {StepKind::kSendLine, "send_line"},
    {StepKind::kSendHex, "send_hex"},
    {StepKind::kWaitText, "wait"},
    {StepKind::kPause, "pause"},
}};

std::string StepSection(std::size_t index) { return "step" + std::to_string(index + 1); }

bool IsSend(StepKind kind) {
  return kind == StepKind::kSendText || kind == StepKind::kSendLine || kind == StepKind::kSendHex;
}

}  // namespace

std::optional<std::string> StepBytes(const SequenceStep& step) {
  switch (step.kind) {
    case StepKind::kSendText:
      return step.text;
    case StepKind::kSendLine:
      return step.text + std::string(kTerminalLineEnd);
    case StepKind::kSendHex:
      if (HasForeignHexChar(step.text)) return std::nullopt;
      return ParseHexInput(step.text);
    case StepKind::kWaitText:
    case StepKind::kPause:
      break;
  }
  return std::nullopt;
}

std::string CheckSequence(const CommandSequence& sequence) {
  if (sequence.steps.empty()) return std::string(terminal_texts::kSequenceEmpty);
  for (std::size_t i = 0; i < sequence.steps.size(); ++i) {
    const SequenceStep& step = sequence.steps[i];
    const int number = static_cast<int>(i + 1);
    if (step.kind == StepKind::kSendHex && !StepBytes(step)) {
      return Format(terminal_texts::kSequenceBadHex, number);
    }
    if (IsSend(step.kind) && step.kind != StepKind::kSendLine && step.text.empty()) {
      return Format(terminal_texts::kSequenceNothingToSend, number);
    }
    if (step.kind == StepKind::kWaitText && step.text.empty()) {
      return Format(terminal_texts::kSequenceNothingToWaitFor, number);
    }
    if (step.ms < 0 || step.ms > kLongestStepMs) return Format(terminal_texts::kSequenceBadTime, number);
  }
  return {};
}

std::string_view StepKindName(StepKind kind) {
  for (const auto& [k, name] : kKindNames) {
    if (k == kind) return name;
  }
  return {};
}

std::optional<StepKind> StepKindFromName(std::string_view name) {
  for (const auto& [k, n] : kKindNames) {
    if (n == name) return k;
  }
  return std::nullopt;
}

std::optional<CommandSequence> LoadSequence(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  const ProfileFile file = ProfileFile::Load(path);
  if (!file.HasSection(kSection)) return std::nullopt;
  const long count = std::clamp<long>(Atoi(file.Get(kSection, "steps").value_or("0")), 0,
                                      static_cast<long>(kMostSteps));
  CommandSequence sequence;
  for (long i = 0; i < count; ++i) {
    const std::string section = StepSection(static_cast<std::size_t>(i));
    const std::optional<StepKind> kind = StepKindFromName(file.Get(section, "kind").value_or(""));
    if (!kind) continue;
    SequenceStep step;
    step.kind = *kind;
    step.text = file.Get(section, "text").value_or("");
    step.ms = std::clamp(Atoi(file.Get(section, "ms").value_or("0")), 0, kLongestStepMs);
    sequence.steps.push_back(std::move(step));
  }
  return sequence;
}

bool SaveSequence(const std::string& path, const CommandSequence& sequence) {
  ProfileFile file;
  file.Set(kSection, "steps", std::to_string(sequence.steps.size()));
  for (std::size_t i = 0; i < sequence.steps.size(); ++i) {
    const SequenceStep& step = sequence.steps[i];
    const std::string section = StepSection(i);
    file.Set(section, "kind", StepKindName(step.kind));
    file.Set(section, "text", "\"" + step.text + "\"");
    file.Set(section, "ms", std::to_string(step.ms));
  }
  return file.Save(path);
}

}  // namespace zt
