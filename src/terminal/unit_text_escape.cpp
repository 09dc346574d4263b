#include "terminal/unit_text_escape.h"

#include "terminal/receive_box_rules.h"
#include "text/gbk.h"

namespace zt {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

bool IsControl(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

void AppendEscaped(unsigned char byte, std::string& out) {
  out += "\\x";
  out.push_back(kDigits[byte >> 4]);
  out.push_back(kDigits[byte & 0x0F]);
}

// GBK without control bytes to UTF-8, invalid bytes as \xNN.
void AppendText(std::string_view run, std::string& out) {
  if (!run.empty()) out += GbkToUtf8Escaped(run);
}

}  // namespace

std::string UnitTextEscaper::Feed(std::string_view gbk) {
  std::string out;
  std::string joined;
  if (!held_.empty()) {
    joined = held_ + std::string(gbk);
    held_.clear();
    gbk = joined;
  }
  std::size_t run_start = 0;
  for (std::size_t at = 0; at < gbk.size(); ++at) {
    const auto byte = static_cast<unsigned char>(gbk[at]);
    if (!IsControl(byte)) {
      after_cr_ = false;
      continue;
    }
    AppendText(gbk.substr(run_start, at - run_start), out);
    run_start = at + 1;
    if (byte == '\r') {
      out.push_back('\n');
      after_cr_ = true;
    } else if (byte == '\n') {
      if (!after_cr_) out.push_back('\n');
      after_cr_ = false;
    } else {
      AppendEscaped(byte, out);
      after_cr_ = false;
    }
  }
  // A trailing lead byte waits for its second half.
  std::string_view rest = gbk.substr(run_start);
  const std::size_t complete = CompleteGbkLength(rest);
  AppendText(rest.substr(0, complete), out);
  held_ = std::string(rest.substr(complete));
  return out;
}

std::string UnitTextEscaper::Finish() {
  std::string out;
  AppendText(held_, out);
  held_.clear();
  return out;
}

// A line has no line ends to keep: every control byte shows as \xNN, which
// is what the text layer does for a terminal.
std::string EscapeUnitLine(std::string_view gbk) { return GbkToUtf8ForTerminal(gbk); }

}  // namespace zt
