// The DTU's side of the AT command protocol, as a pure state machine: bytes
// received (with the time they arrived) in, bytes to send (with the time to
// send them) out. It never touches a descriptor or a clock, so every
// exchange can be checked without a line.
//
// Times are milliseconds on a clock that never goes back (the serving loop
// counts them from its start). Not thread-safe: one serving thread owns it.
//
// The unit starts in data mode. A run of blanks, or "+++", followed by a
// quiet line, switches it to AT command mode and answers "RUN AT" then "OK";
// it is then logged out. In AT command mode it echoes each command line
// exactly as received (an LF right after the CR belongs to the line; an LF
// alone also ends a line), then answers. Everything but the wake-up and
// AT+LOGIN answers ERROR until a login succeeds. AT+RESET answers OK and
// reboots into data mode: input is lost while it boots, then the boot banner
// and the ready text follow.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dtusim/device_state.h"
#include "dtusim/faults.h"

namespace zt::dtusim {

class Interpreter {
 public:
  // How long the line must stay quiet before a wake-up run counts, and how
  // long a command ended by CR waits for an LF that belongs to it.
  static constexpr Millis kQuietGap{30};
  // Between the boot banner and the ready text.
  static constexpr Millis kReadyGap{100};
  // A command line longer than this keeps only its first bytes.
  static constexpr size_t kMaxLine = 4096;
  // Size the query reply grows to with the huge-reply fault.
  static constexpr size_t kHugeReplyBytes = 48 * 1024;

  Interpreter(DeviceState& state, Faults faults, Millis boot_delay);

  // Bytes that arrived at `now`.
  std::vector<Emission> Receive(std::string_view bytes, Millis now);
  // Time passed up to `now` without input: completes a command waiting for
  // its LF, or a wake-up run.
  std::vector<Emission> Advance(Millis now);
  // When Advance next has something to do; nullopt when nothing waits.
  std::optional<Millis> NextDeadline() const;

  bool at_command_mode() const { return mode_ == LineMode::kCommand; }
  bool logged_in() const { return logged_in_; }
  // True once a mute fault has silenced the unit for good.
  bool silenced() const { return silenced_; }

 private:
  enum class LineMode { kData, kCommand };
  struct Answer {
    std::string text;
    bool restart = false;
  };

  void FeedData(char c);
  // True when `c` completed a command line.
  bool FeedCommand(char c);
  void RunLine(Millis now, std::vector<Emission>* out);
  void WakeUp(Millis now, std::vector<Emission>* out);
  bool BeginExchange();
  Answer AnswerCommand(std::string_view cmd);
  std::string Listing() const;
  std::optional<std::string> Reported(std::string_view key) const;
  std::string Formatted(std::string_view key, std::string_view value) const;
  const ValueOverride* FindOverride(int channel, std::string_view key) const;
  bool ErrorForced(std::string_view cmd) const;
  std::string Line(std::string_view text) const;
  void ScheduleBoot(Millis ok_at, std::vector<Emission>* out);

  DeviceState& state_;
  Faults faults_;
  Millis boot_delay_;

  LineMode mode_ = LineMode::kData;
  bool logged_in_ = false;
  bool silenced_ = false;
  std::string line_;      // command mode: the line so far
  bool cr_seen_ = false;  // line_ ends in CR; an LF may still follow
  std::string wake_;      // data mode: trailing blanks or pluses
  Millis last_rx_{0};
  Millis booting_until_{0};
  std::uint64_t exchanges_ = 0;
};

}  // namespace zt::dtusim
