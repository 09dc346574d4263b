#include "terminal/time_stamp.h"

#include <cstdio>
#include <ctime>

namespace zt {
namespace {

std::tm LocalTime(std::time_t seconds) {
  std::tm local{};
  ::localtime_r(&seconds, &local);
  return local;
}

}  // namespace

std::string ClockText(TerminalTime when) {
  using namespace std::chrono;
  const auto since = when.time_since_epoch();
  auto seconds = duration_cast<std::chrono::seconds>(since);
  auto millis = duration_cast<milliseconds>(since - seconds).count();
  if (millis < 0) {  // before 1970: the remainder is negative
    millis += 1000;
    seconds -= std::chrono::seconds(1);
  }
  // A fast line stamps thousands of lines a second; the local time of the
  // second is worked out once for all of them.
  thread_local std::time_t cached_second = -1;
  thread_local char cached_text[40] = {};
  const std::time_t second = static_cast<std::time_t>(seconds.count());
  if (second != cached_second) {
    const std::tm local = LocalTime(second);
    std::snprintf(cached_text, sizeof cached_text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    cached_second = second;
  }
  char text[48];
  std::snprintf(text, sizeof text, "%s.%03d", cached_text, static_cast<int>(millis));
  return text;
}

std::string FileStampText(TerminalTime when) {
  const std::tm local = LocalTime(std::chrono::system_clock::to_time_t(when));
  char text[64];
  std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

}  // namespace zt
