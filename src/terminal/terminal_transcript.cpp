#include "terminal/terminal_transcript.h"

#include "terminal/receive_box_rules.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;

constexpr std::string_view kSentMark = "→ "_gbk;
constexpr char kDigits[] = "0123456789ABCDEF";

std::string_view WithoutLineEnd(std::string_view bytes) {
  if (bytes.ends_with("\r\n")) return bytes.substr(0, bytes.size() - 2);
  if (bytes.ends_with('\n') || bytes.ends_with('\r')) return bytes.substr(0, bytes.size() - 1);
  return bytes;
}

}  // namespace

std::string SentBlockText(std::string_view bytes, bool hex) {
  if (hex) return HexPairs(bytes);
  bytes = WithoutLineEnd(bytes);
  std::string text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      text += "\\x";
      text.push_back(kDigits[byte >> 4]);
      text.push_back(kDigits[byte & 0x0F]);
    } else {
      text.push_back(c);
    }
  }
  return text;
}

void TerminalTranscript::SetTimestamps(bool on) { timestamps_ = on; }

void TerminalTranscript::SetHex(bool on) {
  if (on == hex_) return;
  FlushAll();
  display_lines_.EndLine(out_.display);
  if (logging_) {
    if (!log_at_line_start_) out_.log += "\r\n";
    log_at_line_start_ = true;
  }
  hex_ = on;
}

void TerminalTranscript::Received(std::string_view bytes, TerminalTime when) {
  if (hex_) {
    const std::size_t before = hex_rows_.PartialRowSize();
    std::string rows;
    hex_rows_.Feed(bytes, when, timestamps_, rows);
    received_shown_ += before + bytes.size() - hex_rows_.PartialRowSize();
    fresh_ = fresh_ || !bytes.empty();
    Emit(rows);
    return;
  }
  const std::string_view text = cut_at_zero_ ? TextBeforeZero(bytes) : bytes;
  display_lines_.Feed(text, when, timestamps_, pending_);
  pending_raw_ += text.size();
  fresh_ = fresh_ || !text.empty();
}

void TerminalTranscript::Sent(std::string_view bytes, TerminalTime when) {
  // Nothing shows a sent block: what waits keeps waiting, as it always has.
  if (!timestamps_ && !logging_) return;
  FlushAll();
  const std::string block = SentBlockText(bytes, hex_);
  if (timestamps_) {
    display_lines_.EndLine(out_.display);
    const std::string line = LineStamp(when) + std::string(kSentMark) + block + "\r\n";
    out_.display += line;
    display_lines_.MarkLineStart();
    if (logging_) {
      if (!log_at_line_start_) out_.log += "\r\n";
      EmitLog(line);
    }
    return;
  }
  if (!logging_) return;
  if (!log_at_line_start_) out_.log += "\r\n";
  EmitLog(std::string(kSentMark) + block + "\r\n");
}

void TerminalTranscript::EndBatch() {
  const bool fresh = fresh_;
  fresh_ = false;
  if (hex_) {
    if (!fresh) FlushAll();
    return;
  }
  // A lead byte left alone waits one batch for its second half; when nothing
  // came meanwhile it shows as it is.
  ReleaseText(fresh ? CompleteGbkLength(pending_) : pending_.size());
}

void TerminalTranscript::FlushAll() {
  ReleaseText(pending_.size());
  if (hex_rows_.PartialRowSize() > 0) {
    received_shown_ += hex_rows_.PartialRowSize();
    std::string row;
    hex_rows_.Flush(timestamps_, row);
    Emit(row);
  }
}

TranscriptPiece TerminalTranscript::Take() {
  TranscriptPiece piece;
  std::swap(piece, out_);
  return piece;
}

void TerminalTranscript::ReleaseText(std::size_t count) {
  if (count == 0) return;
  const std::size_t held = pending_.size() - count;  // raw bytes: stamps are never held
  received_shown_ += pending_raw_ - held;
  pending_raw_ = held;
  Emit(std::string_view(pending_).substr(0, count));
  pending_.erase(0, count);
}

void TerminalTranscript::Emit(std::string_view text) {
  if (text.empty()) return;
  out_.display.append(text);
  // Hex rows end their lines; text tracked its own lines as it was stamped.
  if (hex_) display_lines_.MarkLineStart();
  if (logging_) EmitLog(text);
}

void TerminalTranscript::EmitLog(std::string_view text) {
  if (text.empty()) return;
  out_.log.append(text);
  log_at_line_start_ = text.back() == '\n';
}

}  // namespace zt
