// What the worker reports of its progress: the status texts, and against the
// simulated DTU the order of the reports and counts that match the wire.
#include "worker/worker_progress.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "params/channel_modes.h"
#include "support/dtusim_fixture.h"
#include "support/worker_harness.h"
#include "text/gbk_literal.h"
#include "worker/config_request.h"

namespace zt {
namespace {

using namespace zt::literals;
using Stage = WorkerProgress::Stage;

std::string S(std::string_view gbk) { return std::string(gbk); }

TEST(WorkerProgressText, EachStageReadsAsTheStatusBarShowsIt) {
  const std::pair<WorkerProgress, std::string> cases[] = {
      {{Stage::kWakeUp}, S("正在连接DTU"_gbk)},
      {{Stage::kLogin}, S("正在登录DTU"_gbk)},
      {{Stage::kVersion}, S("正在读取DTU版本"_gbk)},
      {{Stage::kQuery}, S("正在查询参数"_gbk)},
      {{Stage::kChannel, 0, 0, 2}, S("正在取通道 2 的参数"_gbk)},
      {{Stage::kSet, 12, 40}, S("设置参数 12/40"_gbk)},
      {{Stage::kSet}, S("设置参数"_gbk)},
      {{Stage::kSave}, S("正在保存参数"_gbk)},
      {{Stage::kDefaults}, S("正在恢复默认参数"_gbk)},
      {{Stage::kRestart}, S("正在重启DTU"_gbk)},
  };
  for (const auto& [progress, text] : cases) EXPECT_EQ(WorkerProgressText(progress), text);
}

class WorkerProgressAgainstDtu : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim_.Start({})) << sim_.error();
    ASSERT_TRUE(h_.OpenPort(sim_.SlavePath()));
    h_.StartWorker();
  }
  void Tick(std::string_view group_name, std::string_view short_name) {
    h_.catalogue.Write([&](CParamCatalogue& c) {
      ParamGroup* group = c.Group(c.GroupIndexByName(group_name));
      ASSERT_NE(group, nullptr);
      for (int i = 0; i < group->UsedCount(); ++i) {
        if (group->params[static_cast<std::size_t>(i)].short_name == short_name) {
          group->params[static_cast<std::size_t>(i)].selected = true;
          return;
        }
      }
      FAIL() << "no parameter " << short_name;
    });
  }

  test::DtuSimProcess sim_;
  test::WorkerHarness h_;
};

TEST_F(WorkerProgressAgainstDtu, AConnectReportsItsStagesAndTheChannelPass) {
  h_.Run(ConnectRequest{kModeSin});
  const std::vector<std::string> texts = h_.reports.ProgressTexts();
  const std::vector<std::string> opening = {S("正在连接DTU"_gbk), S("正在登录DTU"_gbk),
                                            S("正在读取DTU版本"_gbk), S("正在查询参数"_gbk),
                                            S("正在取通道 1 的参数"_gbk)};
  ASSERT_GE(texts.size(), opening.size());
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 5), opening);
  // Nothing of it in the run log.
  for (const std::string& line : h_.reports.Lines()) {
    EXPECT_EQ(std::find(texts.begin(), texts.end(), line), texts.end()) << line;
  }
}

TEST_F(WorkerProgressAgainstDtu, ASetCountsTheParametersItWritesThenTheSave) {
  h_.Run(ConnectRequest{kModeSin});
  // The frame rebuilds the common group when the connect is over.
  h_.catalogue.Write([](CParamCatalogue& c) { c.RebuildCommonGroup(); });
  Tick("串口参数"_gbk, "UPARITY");
  Tick("运行参数"_gbk, "HBDATA");
  Tick("通道1参数(单通道)"_gbk, "PROTO");
  Tick("通道1参数(多通道)"_gbk, "PROTO");  // another mode: neither sent nor counted
  h_.reports.Clear();
  const std::size_t before = sim_.ReceivedBytes().size();
  h_.Run(SetWithChannelsRequest{kModeSin});
  const std::string sent = sim_.ReceivedBytes().substr(before);
  std::size_t written = 0;
  for (std::size_t at = sent.find("AT+SETPARAM="); at != std::string::npos;
       at = sent.find("AT+SETPARAM=", at + 1)) {
    ++written;
  }
  ASSERT_EQ(written, 3u);
  EXPECT_EQ(h_.reports.ProgressTexts(),
            (std::vector<std::string>{S("设置参数 1/3"_gbk), S("设置参数 2/3"_gbk), S("设置参数 3/3"_gbk),
                                      S("正在保存参数"_gbk)}));
}

}  // namespace
}  // namespace zt
