#include "text/elapsed_text.h"

#include "text/strformat.h"

namespace zt {

std::string ElapsedText(std::chrono::seconds elapsed) {
  const long long total = elapsed.count() < 0 ? 0 : static_cast<long long>(elapsed.count());
  const long long hours = total / 3600;
  const long long minutes = (total / 60) % 60;
  const long long seconds = total % 60;
  if (hours > 0) return Format("%lld:%02lld:%02lld", hours, minutes, seconds);
  return Format("%02lld:%02lld", minutes, seconds);
}

}  // namespace zt
