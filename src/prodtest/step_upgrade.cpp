// The upgrade step of the hidden upgrade item. The unit is told to expect an
// upgrade, but no transfer follows, so the step never passes.
#include <sys/stat.h>

#include "prodtest/test_steps.h"

namespace zt {

namespace {

constexpr int kLimitS = 3;
constexpr std::uint16_t kAttempts = 3;

bool UsableFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

}  // namespace

bool UpgradeStep(StepContext& ctx) {
  if (UsableFile(ctx.run.upgrade_file)) {
    // Neither command carries a line end.
    ctx.Exchange("AT+SWUPDATE", "OK", kLimitS, kAttempts);
    ctx.Exchange("AT+LOGIN=", "OK", kLimitS, kAttempts);
  }
  return false;
}

}  // namespace zt
