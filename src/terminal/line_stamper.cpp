#include "terminal/line_stamper.h"

namespace zt {

std::string LineStamp(TerminalTime when) { return ClockText(when) + ' '; }

void LineStamper::Feed(std::string_view text, TerminalTime when, bool stamp, std::string& out) {
  if (text.empty()) return;
  if (!stamp) {
    out.append(text);
    at_line_start_ = text.back() == '\n';
    return;
  }
  const std::string mark = LineStamp(when);
  std::size_t at = 0;
  while (at < text.size()) {
    if (at_line_start_) out += mark;
    const std::size_t end = text.find('\n', at);
    const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    out.append(text.substr(at, next - at));
    at_line_start_ = end != std::string_view::npos;
    at = next;
  }
}

void LineStamper::EndLine(std::string& out) {
  if (!at_line_start_) out += "\r\n";
  at_line_start_ = true;
}

}  // namespace zt
