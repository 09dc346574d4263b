#include "dtusim/wire_log.h"

#include <time.h>

#include <cerrno>
#include <cstring>

namespace zt::dtusim {
namespace {

std::int64_t MonotonicMicros() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

std::string Timestamp(std::int64_t micros) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld.%06lld", static_cast<long long>(micros / 1000000),
                static_cast<long long>(micros % 1000000));
  return buf;
}

}  // namespace

std::string FormatWireLogLine(std::int64_t micros, char direction, std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string line = Timestamp(micros);
  line += '\t';
  line += direction;
  line += '\t';
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (i > 0) line += ' ';
    line += kDigits[b >> 4];
    line += kDigits[b & 0x0F];
  }
  line += '\t';
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    line += (b >= 0x20 && b <= 0x7E) ? c : '.';
  }
  line += '\n';
  return line;
}

WireLog::~WireLog() {
  if (file_ != nullptr) std::fclose(file_);
}

bool WireLog::Open(const std::string& path, std::string* error) {
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    *error = "cannot create the wire log " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void WireLog::Note(std::string_view text) {
  if (file_ == nullptr) return;
  std::string line = Timestamp(MonotonicMicros()) + "\t#\t" + std::string(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fflush(file_);
}

void WireLog::Write(char direction, std::string_view bytes) {
  if (file_ == nullptr || bytes.empty()) return;
  const std::string line = FormatWireLogLine(MonotonicMicros(), direction, bytes);
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fflush(file_);
}

}  // namespace zt::dtusim
