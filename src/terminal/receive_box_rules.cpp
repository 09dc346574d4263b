#include "terminal/receive_box_rules.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "terminal/terminal_texts.h"

namespace zt {
namespace {

bool IsGbkLead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

}  // namespace

bool ClearsBeforeAppend(int line_count) { return line_count >= kReceiveBoxLineLimit; }

std::string BreakLongLines(std::string_view gbk, std::size_t& column) {
  std::string out;
  out.reserve(gbk.size() + gbk.size() / kLongestShownLine + 1);
  std::size_t at = 0;
  while (at < gbk.size()) {
    const char c = gbk[at];
    const std::size_t unit = IsGbkLead(static_cast<unsigned char>(c)) && at + 1 < gbk.size() ? 2 : 1;
    if (c == '\r' || c == '\n') {
      column = 0;
    } else {
      if (column + unit > kLongestShownLine) {
        out.push_back('\n');
        column = 0;
      }
      column += unit;
    }
    out.append(gbk.substr(at, unit));
    at += unit;
  }
  return out;
}

std::string_view TextBeforeZero(std::string_view block) {
  const std::size_t zero = block.find('\0');
  return zero == std::string_view::npos ? block : block.substr(0, zero);
}

std::size_t CompleteGbkLength(std::string_view bytes) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    if (!IsGbkLead(static_cast<unsigned char>(bytes[at]))) {
      ++at;
    } else if (at + 1 < bytes.size()) {
      at += 2;
    } else {
      break;  // a lead byte waiting for its second half
    }
  }
  return at;
}

std::string WithTxtExtension(std::string path) {
  if (path.find(".txt") == std::string::npos) path += ".txt";
  return path;
}

std::string SaveLogLine(std::string_view gbk_path) {
  std::string line(terminal_texts::kSavedPrefix);
  for (std::size_t at = 0; at < gbk_path.size(); ++at) {
    const char c = gbk_path[at];
    if (IsGbkLead(static_cast<unsigned char>(c)) && at + 1 < gbk_path.size()) {
      line.push_back(c);
      line.push_back(gbk_path[++at]);
    } else {
      line.push_back(c == '\\' ? '/' : c);
    }
  }
  line += "\r\n";
  return line;
}

bool WriteReceivedFile(const std::string& native_path, std::string_view bytes) {
  const int fd = ::open(native_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) ok = false;
  return ok;
}

}  // namespace zt
