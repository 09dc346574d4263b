// The upgrade step of the hidden upgrade item. The unit is told to expect an
// upgrade, but no transfer follows, so the step never passes.
#include <sys/stat.h>

#include "prodtest/test_steps.h"
#include "serial/dtu_commands.h"

namespace zt {

namespace {

bool UsableFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

}  // namespace

bool UpgradeStep(StepContext& ctx) {
  if (UsableFile(ctx.run.upgrade_file)) {
    // Neither command carries a line end.
    ctx.Exchange(UpgradeStartCommand(), kUpgradeRule);
    ctx.Exchange(UpgradeLoginCommand(), kUpgradeRule);
  }
  return false;
}

}  // namespace zt
