#include "prodtest/test_steps.h"

namespace zt {

std::vector<TestStepKind> BuildStepList(bool configure_item, bool upgrade_item, bool run_test_item) {
  std::vector<TestStepKind> steps;
  if (configure_item) {
    steps.push_back(TestStepKind::kConfigure);
    steps.push_back(TestStepKind::kCompare);
  }
  if (upgrade_item) steps.push_back(TestStepKind::kUpgrade);
  if (run_test_item) steps.push_back(TestStepKind::kRunTest);
  return steps;
}

bool RunStep(TestStepKind step, StepContext& ctx) {
  switch (step) {
    case TestStepKind::kConfigure: return ConfigureStep(ctx);
    case TestStepKind::kCompare: return CompareStep(ctx);
    case TestStepKind::kUpgrade: return UpgradeStep(ctx);
    case TestStepKind::kRunTest: return RunTestStep(ctx);
  }
  return false;
}

}  // namespace zt
