// Test runs against the simulated DTU: the simulator, a run environment on
// its tty with the shipped catalogues, and configuration files made from the
// shipped catalogue with the values of the simulator's profile (so that a
// unit configured from them compares equal).
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/program_path.h"
#include "configfile/config_file.h"
#include "params/catalogue_loader.h"
#include "params/channel_modes.h"
#include "prodtest/test_run.h"
#include "prodtest_support.h"
#include "support/dtusim_fixture.h"
#include "support/sim_config_file.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"
#include "text/profile_file.h"
#include "text/strformat.h"

namespace zt::test {

inline std::string Gbk(std::string_view gbk) { return std::string(gbk); }

// The file without the line of one key (every occurrence).
inline void RemoveKey(const std::string& path, std::string_view key) {
  std::string text = ReadFileBytes(path);
  const std::string line_start = std::string(key) + "=";
  std::size_t at = 0;
  while ((at = text.find(line_start, at)) != std::string::npos) {
    if (at != 0 && text[at - 1] != '\n') {
      at += line_start.size();
      continue;
    }
    const std::size_t end = text.find("\r\n", at);
    text.erase(at, end == std::string::npos ? std::string::npos : end + 2 - at);
  }
  ASSERT_TRUE(WriteFileBytes(path, text));
}

class DtuSimRunTest : public ::testing::Test {
 protected:
  // Starts the simulator (with the S3 profile unless `args` names another)
  // and opens the port on it.
  void StartSim(std::vector<std::string> args = {}) {
    ASSERT_TRUE(sim_.Start(args)) << sim_.error();
    env_ = std::make_unique<TestRunEnvironment>(sim_.SlavePath(), ProgramDirectory());
    ASSERT_TRUE(env_->Open());
    run_ = std::make_unique<CTestRun>(env_->Env());
  }
  void StartS2Sim(std::vector<std::string> args = {}) {
    args.insert(args.begin(), {"--profile", ShippedDataFile("dtusim_s2.profile")});
    StartSim(std::move(args));
  }

  TestChoices Configure(const std::string& file, bool finished = false) {
    TestChoices c;
    c.semi_finished = !finished;
    c.configure_item = true;
    c.config_file = file;
    return c;
  }
  TestChoices RunTest(std::int64_t threshold = 15, std::string key = "ZR-3100 READY") {
    TestChoices c;
    c.semi_finished = true;
    c.run_test_item = true;
    c.key_string = std::move(key);
    c.signal_threshold = threshold;
    return c;
  }

  // Runs with the choices until the run ends by itself; the view's text.
  std::string RunToEnd(const TestChoices& choices, ISerialNumberPrompt* prompt = nullptr) {
    view_ = std::make_unique<RecordingTestView>(choices);
    const StartVerdict v = ValidateStart(choices);
    EXPECT_TRUE(v.accepted()) << v.refusal;
    if (!v.accepted()) return {};
    EXPECT_TRUE(run_->Start(*v.run, *view_, prompt != nullptr ? *prompt : no_prompt_));
    EXPECT_TRUE(run_->WaitFinished(std::chrono::seconds(120)));
    return view_->Text();
  }

  // What the tool sent, once everything it sent has reached the unit.
  std::string Sent() const { return sim_.ReceivedBytes(); }
  std::size_t CountSent(std::string_view text) const {
    const std::string sent = Sent();
    std::size_t n = 0;
    for (std::size_t at = sent.find(text); at != std::string::npos; at = sent.find(text, at + text.size())) ++n;
    return n;
  }

  // Declared so that the run ends before what it uses goes away.
  TempDir dir_;
  DtuSimProcess sim_;
  std::unique_ptr<TestRunEnvironment> env_;
  std::unique_ptr<RecordingTestView> view_;
  FixedPrompt no_prompt_{std::nullopt};
  std::unique_ptr<CTestRun> run_;
};

}  // namespace zt::test
