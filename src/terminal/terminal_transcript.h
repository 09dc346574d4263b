// What the AT terminal shows and logs, built from what it received and sent.
//
// Received bytes show as text (GBK) or, with the hex view on, as hex rows
// (hex_dump.h); with time stamps on, each line or row starts with the local
// time its first byte arrived (line_stamper.h), and each block the operator
// sent shows on a line of its own:
//
//   12:00:01.250 → AT+CSQ
//   12:00:01.262 AT+CSQ
//   12:00:01.262 +CSQ: 23,99
//
// A sent block shows without its line end, its control bytes as \xNN (as hex
// pairs in the hex view). The log gets everything as shown; with time stamps
// off, where the box shows no sent blocks, the log still gets them, marked
// "→ " on lines of their own.
//
// With every option off the text is exactly what the terminal has always
// shown: each read ends at its first zero byte (when `cut_at_zero`), and a
// GBK lead byte at the end of a batch waits one batch for its second half (a
// batch that brings nothing shows it as it is). The hex view keeps its row in
// progress until 16 bytes are in or a batch brings nothing.
//
// Thread safety: an object belongs to one thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "terminal/hex_dump.h"
#include "terminal/line_stamper.h"
#include "terminal/time_stamp.h"

namespace zt {

struct TranscriptPiece {
  std::string display;  // GBK, for the receive box
  std::string log;      // GBK, for the log file (empty while logging is off)
};

class TerminalTranscript {
 public:
  // `cut_at_zero`: in the text view a read ends at its first zero byte (the
  // window's rule); off, zero bytes are kept as they came.
  explicit TerminalTranscript(bool cut_at_zero = true) : cut_at_zero_(cut_at_zero) {}

  void SetTimestamps(bool on);
  bool Timestamps() const { return timestamps_; }
  // The hex view from the next received byte on: what is waiting is written
  // first, and the new view starts on a line of its own.
  void SetHex(bool on);
  bool Hex() const { return hex_; }
  // Whether TranscriptPiece::log is filled.
  void SetLogging(bool on) {
    if (on && !logging_) log_at_line_start_ = true;  // a new log starts a line
    logging_ = on;
  }
  bool Logging() const { return logging_; }

  // One read from the port (zero bytes included) and when it arrived.
  void Received(std::string_view bytes, TerminalTime when);
  // A block the operator (or a sequence) sent, and when.
  void Sent(std::string_view bytes, TerminalTime when);
  // The end of a batch of events (a tick of the window, a step of a read
  // loop); a batch that brought no bytes to show lets what waits out.
  void EndBatch();
  // Writes everything that waits (a held lead byte, a hex row in progress).
  void FlushAll();

  // The box was emptied: the next received byte starts a line.
  void DisplayCleared() { display_lines_.MarkLineStart(); }

  // What was produced since the last call.
  TranscriptPiece Take();

  // Every received byte taken into the display so far (zero bytes and what
  // followed them in their read excepted in the text view; a byte still
  // held back does not count yet).
  std::uint64_t ReceivedShown() const { return received_shown_; }

 private:
  void Emit(std::string_view text);
  void EmitLog(std::string_view text);
  void ReleaseText(std::size_t count);
  std::string SentBlock(std::string_view bytes) const;

  bool cut_at_zero_;
  bool timestamps_ = false;
  bool hex_ = false;
  bool logging_ = false;
  bool fresh_ = false;  // bytes to show came in this batch
  LineStamper display_lines_;
  bool log_at_line_start_ = true;
  std::string pending_;              // text view: stamped text not yet shown
  std::size_t pending_raw_ = 0;      // received bytes in pending_
  HexDumper hex_rows_;
  std::uint64_t received_shown_ = 0;
  TranscriptPiece out_;
};

// A sent block as the transcript shows it: without its line end ("\r\n",
// "\n" or "\r"), control bytes and 0x7F as \xNN; hex pairs when `hex`.
std::string SentBlockText(std::string_view bytes, bool hex);

}  // namespace zt
