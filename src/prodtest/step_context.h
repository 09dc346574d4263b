// What the test steps work with, and the one exchange they make with the
// unit: command -> expected text (time limit in seconds, attempts) through
// FrameSendAndWait on the port, ended at once by the run's cancel token.
//
// Thread safety: a StepContext belongs to the run thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/message_box.h"
#include "prodtest/test_settings.h"
#include "prodtest/test_view.h"
#include "prodtest/unit_recorder.h"
#include "serial/at_transaction.h"
#include "serial/dtu_commands.h"

namespace zt {

class CSerialPort;
class SharedCatalogue;
class ToolSettingsStore;
struct ProcessFlags;

struct StepContext {
  CSerialPort& port;
  SharedCatalogue& catalogue;
  ToolSettingsStore& settings;
  ProcessFlags& flags;
  const RunSettings& run;
  UnitIdentity& identity;
  const std::atomic<bool>& cancel;  // Stop: the run flag is clear
  bool finished_product = false;    // "成品测试" selected
  // A line for the information box (dropped once Stop began).
  std::function<void(std::string_view)> log;
  // A message box that the run waits for (not shown once Stop began).
  std::function<void(std::string_view text, std::string_view caption, MessageIcon icon)> show_message;

  // The run's failure-text buffer: a failing step may replace it; nothing
  // clears it during a run.
  std::string failure;
  // Named group slots the configure step counted; the setting and comparing
  // passes walk slots 1 to this.
  int group_count = 0;
  // What the steps read from the unit, for its record.
  UnitReadings readings{};

  bool RunFlag() const { return !cancel.load(); }
  void Log(std::string_view gbk) const {
    if (log) log(gbk);
  }
  // Writes the failure text and returns false, for `return Fail(...)`.
  bool Fail(std::string text) {
    failure = std::move(text);
    return false;
  }

  // One exchange; true when the expected text and then "OK" arrived. The
  // reply excerpt (expected text through "OK", cut to `capacity` bytes) goes
  // to `reply` when given.
  bool Exchange(std::string_view command, std::string_view expected, int limit_s, std::uint16_t attempts,
                std::string* reply = nullptr, std::size_t capacity = kFrameReplyWindow) const;
  // The same with a command's answer rule (serial/dtu_commands.h).
  bool Exchange(std::string_view command, const AnswerRule& rule, std::string* reply = nullptr,
                std::size_t capacity = kFrameReplyWindow) const {
    return Exchange(command, rule.expected, rule.limit_s, rule.attempts, reply, capacity);
  }
};

}  // namespace zt
