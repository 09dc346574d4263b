// The configuration worker against the simulated DTU, over a real pty.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

#include "params/channel_modes.h"
#include "serial/link_clock.h"
#include "support/dtusim_fixture.h"
#include "support/pty_peer.h"
#include "support/worker_harness.h"
#include "text/control_bytes.h"
#include "text/gbk_literal.h"
#include "worker/config_request.h"
#include "worker/front_end_rules.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::CatalogueValue;
using test::DtuSimProcess;
using test::ShippedDataFile;
using test::WorkerHarness;

std::string S(std::string_view gbk) { return std::string(gbk); }

bool Contains(const std::vector<std::string>& v, std::string_view item) {
  return std::find(v.begin(), v.end(), item) != v.end();
}

std::size_t Count(const std::string& haystack, std::string_view needle) {
  std::size_t n = 0;
  for (std::size_t p = haystack.find(needle); p != std::string::npos; p = haystack.find(needle, p + 1)) ++n;
  return n;
}

class WorkerAgainstDtu : public ::testing::Test {
 protected:
  // Starts the simulator with `args` and the worker on an open port.
  void Start(std::vector<std::string> args = {}) {
    ASSERT_TRUE(sim.Start(args)) << sim.error();
    ASSERT_TRUE(h.OpenPort(sim.SlavePath()));
    h.StartWorker();
  }
  void Connect(ChannelMode mode = kModeSin) {
    h.Run(ConnectRequest{mode});
    // The frame rebuilds the common group when the connect is over.
    h.catalogue.Write([](CParamCatalogue& c) { c.RebuildCommonGroup(); });
  }
  // Changes a parameter (group by name, parameter by short name) as an edit would.
  void Tick(std::string_view group_name, std::string_view short_name, std::optional<std::string> value = {}) {
    h.catalogue.Write([&](CParamCatalogue& c) {
      const int g = c.GroupIndexByName(group_name);
      ParamGroup* group = c.Group(g);
      ASSERT_NE(group, nullptr) << "no group";
      for (int i = 0; i < group->UsedCount(); ++i) {
        ParamDef& p = group->params[static_cast<std::size_t>(i)];
        if (p.short_name != short_name) continue;
        p.selected = true;
        if (value) p.value = *value;
        return;
      }
      FAIL() << "no parameter " << short_name;
    });
  }

  DtuSimProcess sim;
  WorkerHarness h;
};

TEST_F(WorkerAgainstDtu, ConnectWakesLogsInReadsTheVersionAndQueries) {
  Start();
  Connect();
  const std::vector<std::string> lines = h.reports.Lines();
  ASSERT_GE(lines.size(), 8u);
  const std::vector<std::string> opening(lines.begin(), lines.begin() + 8);
  EXPECT_EQ(opening, (std::vector<std::string>{
                         S("连接DTU..."_gbk), S("连接DTU成功!  "_gbk), S("正在登录DTU...\r\n"_gbk),
                         S("登录DTU成功\r\n"_gbk), S("正在进行AT+GETPARAM?.... \r\n"_gbk),
                         S("取基本参数 已经成功 \r\n"_gbk), S("正在取各通道的参数... \r\n"_gbk),
                         S("正在获取通道 1 的参数...\r\n"_gbk)}));
  EXPECT_EQ(lines[lines.size() - 2], S("查询参数成功!\r\n"_gbk));
  EXPECT_EQ(lines.back(), S("当前通道模式已经变为：单通道!\r\n"_gbk));
  EXPECT_TRUE(Contains(lines, "ch1:SVRADDR=10.0.0.10"));

  const std::vector<std::string> events = h.reports.Events();
  EXPECT_EQ(events[1], "CONNECTED");  // before "连接DTU成功!  "
  EXPECT_EQ(events[events.size() - 3], "DONE:1");
  EXPECT_EQ(events[events.size() - 2], "READY");
  EXPECT_EQ(events.back(), "FINISHED:" + std::to_string(WM_CFG_CONNECT) + ":1");

  const std::string wire = sim.ReceivedBytes();
  EXPECT_EQ(wire.substr(0, 20), std::string(20, ' '));
  // One login, or a few when a loaded machine makes its OK later than 1 s.
  EXPECT_GE(Count(wire, "AT+LOGIN=pilot\r"), 1u);
  EXPECT_EQ(Count(wire, "AT+LOGIN="), Count(wire, "AT+LOGIN=pilot\r"));
  EXPECT_EQ(wire.find("AT+LOGIN=pilot\r\n"), std::string::npos);  // CR alone
  EXPECT_EQ(Count(wire, "AT+GETPARAM=SPSV\r\n"), 1u);
  EXPECT_EQ(Count(wire, "AT+GETPARAM?\r\n"), 1u);

  EXPECT_EQ(h.flags.file_variant.load(), FileVariant::kS3);
  EXPECT_EQ(CatalogueValue(h.catalogue, "网络参数"_gbk, "APN"), "CMIOT");
  EXPECT_EQ(CatalogueValue(h.catalogue, "运行参数"_gbk, "HBDATA"), "FE01");  // "0xFE01" on the wire
  EXPECT_EQ(CatalogueValue(h.catalogue, "运行参数"_gbk, "OPPRM"), "SIN");
  EXPECT_EQ(CatalogueValue(h.catalogue, "网络参数"_gbk, "APNUSER"), "");  // "NULL" on the wire
  EXPECT_EQ(CatalogueValue(h.catalogue, "通道1参数(单通道)"_gbk, "SVRADDR"), "10.0.0.10");
  // The common group's copy follows its source.
  EXPECT_EQ(h.catalogue.Read([](const CParamCatalogue& c) {
    for (int i = 0; i < c.Group(0)->UsedCount(); ++i) {
      if (c.Param(0, i)->short_name == "APN") return c.Param(0, i)->value;
    }
    return std::string("<none>");
  }), "CMIOT");
}

TEST_F(WorkerAgainstDtu, ADtuThatNeverAnswersTheWakeUpTimesOutWithoutDone) {
  Start({"--mute"});
  h.port->SetLinkClock(LinkClock(20));  // the 20 s limit passes in one second
  Connect();
  EXPECT_EQ(h.reports.Lines(), (std::vector<std::string>{S("连接DTU..."_gbk), S("连接DTU超时或失败***"_gbk)}));
  EXPECT_FALSE(Contains(h.reports.Events(), "DONE:0"));
  EXPECT_GE(Count(sim.ReceivedBytes(), std::string(20, ' ')), 2u);  // re-sent every half second
}

TEST_F(WorkerAgainstDtu, ARefusedLoginFailsAtOnce) {
  Start();
  h.settings.Update([](ToolSettings& s) { s.password = "wrong1"; });
  Connect();
  const std::vector<std::string> lines = h.reports.Lines();
  EXPECT_EQ(lines.back(), S("登录DTU失败***\r\n"_gbk));
  EXPECT_TRUE(Contains(h.reports.Events(), "DONE:0"));
  EXPECT_EQ(Count(sim.ReceivedBytes(), "AT+LOGIN="), 1u);  // ERROR ends the attempts
  EXPECT_EQ(Count(sim.ReceivedBytes(), "AT+GETPARAM"), 0u);
}

TEST(WorkerLoginGuard, APasswordHoldingAControlByteIsNeverSent) {
  // "a\rAT+R" would end the login early and send a command of its own.
  for (const std::string& password : std::vector<std::string>{"a\rAT+R", "a\nb", std::string("ab\0c", 4), "x\x7F"}) {
    DtuSimProcess sim;
    WorkerHarness h;
    ASSERT_TRUE(sim.Start({})) << sim.error();
    ASSERT_TRUE(h.OpenPort(sim.SlavePath()));
    h.StartWorker();
    h.settings.Update([&](ToolSettings& s) { s.password = password; });
    h.Run(ConnectRequest{kModeSin});
    EXPECT_EQ(h.reports.Lines().back(), S("登录DTU失败***\r\n"_gbk)) << ::testing::PrintToString(password);
    EXPECT_TRUE(Contains(h.reports.Events(), "DONE:0"));
    EXPECT_EQ(Count(sim.ReceivedBytes(), "AT+"), 0u) << ::testing::PrintToString(password);
  }
}

TEST_F(WorkerAgainstDtu, ASixCharacterPasswordIsSentWhole) {
  Start({"--password", "abc123"});
  h.settings.Update([](ToolSettings& s) { s.password = "abc123"; });
  Connect();
  EXPECT_GE(Count(sim.ReceivedBytes(), "AT+LOGIN=abc123\r"), 1u);
  EXPECT_EQ(Count(sim.ReceivedBytes(), "AT+LOGIN="), Count(sim.ReceivedBytes(), "AT+LOGIN=abc123\r"));
  EXPECT_TRUE(Contains(h.reports.Lines(), S("登录DTU成功\r\n"_gbk)));
}

TEST_F(WorkerAgainstDtu, AConnectBeforeThePortIsOpenAbortsAtOnce) {
  h.StartWorker();
  Connect();
  EXPECT_EQ(h.reports.Events(),
            (std::vector<std::string>{"LOG:" + S("连接DTU..."_gbk),
                                      "LOG:" + S("串口已关闭，故未完成的动作立即终止!\r\n"_gbk), "DONE:0",
                                      "LOG:" + S("连接DTU超时或失败***"_gbk),
                                      "FINISHED:" + std::to_string(WM_CFG_CONNECT) + ":0"}));
}

TEST_F(WorkerAgainstDtu, TheAtViewAbortsTheWorkerBeforeItSendsAnything) {
  Start();
  h.flags.at_mode.store(true);
  Connect();
  EXPECT_EQ(h.reports.Lines(),
            (std::vector<std::string>{S("连接DTU..."_gbk), S("已切换到AT界面，故参数界面未完成的动作被迫终止!\r\n"_gbk),
                                      S("连接DTU超时或失败***"_gbk)}));
  EXPECT_EQ(sim.ReceivedBytes(), "");
}

TEST_F(WorkerAgainstDtu, EveryRequestEndsAtOnceWhileATestRunHasThePort) {
  Start();
  ASSERT_EQ(h.port->TryClaim(PortUser::kProductionTest), ClaimResult::kTaken);
  const ConfigRequest requests[] = {ConnectRequest{kModeSin}, QueryRequest{kModeSin},
                                    SetWithChannelsRequest{kModeSin}, SetRequest{},
                                    DefaultsRequest{kModeSin}, RestartRequest{},
                                    WakeAndLoginRequest{}};
  for (const ConfigRequest& request : requests) {
    const unsigned message = RequestMessage(request);
    SCOPED_TRACE(message);
    h.reports.Clear();
    h.Run(request);
    EXPECT_EQ(h.reports.Events(),
              (std::vector<std::string>{"LOG:" + S("配置测试正在进行，故参数界面的动作被迫终止!\r\n"_gbk),
                                        "DONE:0", "FINISHED:" + std::to_string(message) + ":0"}));
  }
  EXPECT_EQ(sim.ReceivedBytes(), "");
}

TEST_F(WorkerAgainstDtu, AnS2DtuLoadsTheS2CatalogueAndHasNoChannelPass) {
  Start({"--profile", ShippedDataFile("dtusim_s2.profile")});
  Connect();
  EXPECT_EQ(h.flags.file_variant.load(), FileVariant::kS2);
  const std::vector<std::string> lines = h.reports.Lines();
  EXPECT_EQ(lines.back(), S("查询参数成功!\r\n"_gbk));
  EXPECT_EQ(lines[lines.size() - 2], S("取基本参数 已经成功 \r\n"_gbk));
  EXPECT_FALSE(Contains(lines, S("正在取各通道的参数... \r\n"_gbk)));
  EXPECT_EQ(CatalogueValue(h.catalogue, "系统参数"_gbk, "SPSV"), "2.1.5");  // read-only values are read too
  EXPECT_NE(CatalogueValue(h.catalogue, "网络参数"_gbk, "APN"), "<no group>");
}

TEST_F(WorkerAgainstDtu, ADtuInMulQueriedOnSinReportsItsModeAndIsQueriedAgain) {
  Start();
  Connect();
  h.Run(DefaultsRequest{kModeMul});  // the DTU now runs MUL
  h.reports.Clear();
  // As the frame does: a reported mode that differs from the selector (SIN)
  // moves the selector, and the view queries again with the new mode.
  std::atomic<int> selector{0};
  h.reports.on_mode_index = [&](int index) {
    if (const auto query = FollowReportedMode(selector.exchange(index), index)) h.worker->Post(*query);
  };
  h.Run(QueryRequest{kModeSin});
  const std::vector<std::string> events = h.reports.Events();
  EXPECT_EQ(std::count(events.begin(), events.end(), "MODE:2"), 2);
  const std::vector<std::string> lines = h.reports.Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), S("当前通道模式已经变为：多通道!\r\n"_gbk)), 2);
  EXPECT_TRUE(Contains(lines, S("正在获取通道 4 的参数...\r\n"_gbk)));
  EXPECT_EQ(CatalogueValue(h.catalogue, "通道2参数(多通道)"_gbk, "SVRPORT"), "5002");
  EXPECT_EQ(Count(sim.ReceivedBytes(), "AT+GETPARAM?\r\n"), 3u);  // connect, query, follow-up
}

TEST_F(WorkerAgainstDtu, AValueHoldingOkEndsTheReplyThere) {
  Start({"--value", "APN=BOOK"});
  Connect();
  EXPECT_EQ(CatalogueValue(h.catalogue, "网络参数"_gbk, "APN"), "BOO");
  EXPECT_EQ(CatalogueValue(h.catalogue, "网络参数"_gbk, "DNS1"), "");  // after APN: never seen
  const std::vector<std::string> lines = h.reports.Lines();
  EXPECT_EQ(lines.back(), S("取通道的参数失败***\r\n"_gbk));
  EXPECT_FALSE(Contains(h.reports.Events(), "DONE:1"));
}

TEST_F(WorkerAgainstDtu, TheWorkFileGoesAfterTheQueryAndOneThatCannotBeMadeEndsTheChannelPass) {
  ASSERT_TRUE(sim.Start()) << sim.error();
  ASSERT_TRUE(h.OpenPort(sim.SlavePath()));
  h.work_folder = h.dir.File("work");
  ASSERT_EQ(::mkdir(h.work_folder.c_str(), 0700), 0);
  h.StartWorker();
  Connect();
  EXPECT_EQ(CatalogueValue(h.catalogue, "通道1参数(单通道)"_gbk, "SVRADDR"), "10.0.0.10");
  EXPECT_TRUE(std::filesystem::is_empty(h.work_folder));  // neither the file nor its folder stays
  ASSERT_EQ(::rmdir(h.work_folder.c_str()), 0);
  h.reports.Clear();
  h.Run(QueryRequest{kModeSin});
  const std::vector<std::string> lines = h.reports.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), S("取通道的参数 失败***\r\n"_gbk));
  EXPECT_FALSE(Contains(h.reports.Events(), "DONE:1"));
}

TEST_F(WorkerAgainstDtu, LfOnlyLinesRunOnInTheBasePassButNotInTheChannelPass) {
  Start({"--lf-only"});
  Connect();
  const std::string apn = CatalogueValue(h.catalogue, "网络参数"_gbk, "APN");
  EXPECT_EQ(apn.rfind("CMIOT\nAPNUSER=", 0), 0u) << apn;
  EXPECT_EQ(CatalogueValue(h.catalogue, "通道1参数(单通道)"_gbk, "SVRADDR"), "10.0.0.10");
}

TEST_F(WorkerAgainstDtu, AKeywordEndingInIdIsTakenForAChannelHeader) {
  Start({"--value", "DTUID=12"});
  Connect();
  const std::vector<std::string> lines = h.reports.Lines();
  EXPECT_TRUE(Contains(lines, S("正在获取通道 12 的参数...\r\n"_gbk)));
  EXPECT_EQ(CatalogueValue(h.catalogue, "通道1参数(单通道)"_gbk, "SVRADDR"), "10.0.0.10");
}

TEST_F(WorkerAgainstDtu, AKeywordInsideAnotherLineIsMatchedThere) {
  Start({"--value", "UBAUD=xAPN=fromubaud"});
  Connect();
  EXPECT_EQ(CatalogueValue(h.catalogue, "网络参数"_gbk, "APN"), "fromubaud");
}

TEST_F(WorkerAgainstDtu, SetWithNothingTickedSendsNothing) {
  Start();
  Connect();
  h.reports.Clear();
  const std::size_t before = sim.ReceivedBytes().size();
  h.Run(SetWithChannelsRequest{kModeSin});
  EXPECT_EQ(h.reports.Lines(), (std::vector<std::string>{S("未选择需要配置的参数***\r\n"_gbk)}));
  EXPECT_EQ(sim.ReceivedBytes().size(), before);
}

TEST_F(WorkerAgainstDtu, TicksInTheCommonGroupAloneSendOnlyTheChannelSelectionAndTheSave) {
  Start();
  Connect();
  h.catalogue.Write([](CParamCatalogue& c) { c.Param(0, 0)->selected = true; });
  h.reports.Clear();
  const std::size_t before = sim.ReceivedBytes().size();
  h.Run(SetWithChannelsRequest{kModeSin});
  EXPECT_EQ(sim.ReceivedBytes().substr(before), "AT+SETCHL=1\r\nAT+SAVEPARAM\r");
  EXPECT_EQ(h.reports.Lines(),
            (std::vector<std::string>{S("正在配置参数...\r\n"_gbk), S("\r\n设置通道1参数：AT+SETCHL=1\r\n"_gbk),
                                      S("设置参数成功!\r\n"_gbk)}));
}

TEST_F(WorkerAgainstDtu, SetSendsWireValuesAndOnlyTheChannelGroupsOfTheMode) {
  Start();
  Connect();
  Tick("串口参数"_gbk, "UPARITY", S("偶校验"_gbk));           // INT1 list: option text to wire value
  Tick("运行参数"_gbk, "HBDATA", "fe 01 02");                // HEXSTR: blanks removed
  Tick("通道1参数(单通道)"_gbk, "PROTO", "UDP");
  Tick("通道1参数(多通道)"_gbk, "PROTO", "UDP");             // another mode: never sent
  h.reports.Clear();
  const std::size_t before = sim.ReceivedBytes().size();
  h.Run(SetWithChannelsRequest{kModeSin});
  EXPECT_EQ(sim.ReceivedBytes().substr(before),
            "AT+SETPARAM=UPARITY,2\r\nAT+SETPARAM=HBDATA,fe0102\r\nAT+SETCHL=1\r\nAT+SETPARAM=PROTO,1\r\n"
            "AT+SAVEPARAM\r");
  EXPECT_EQ(CatalogueValue(h.catalogue, "运行参数"_gbk, "HBDATA"), "fe0102");
  const std::vector<std::string> lines = h.reports.Lines();
  EXPECT_EQ(lines.front(), S("正在配置参数...\r\n"_gbk));
  EXPECT_TRUE(Contains(lines, S("设置参数校验位成功"_gbk)));
  EXPECT_EQ(lines.back(), S("设置参数成功!\r\n"_gbk));
}

TEST_F(WorkerAgainstDtu, AParameterRefusedWithErrorStopsTheSetBeforeTheSave) {
  Start({"--error-on", "APN"});
  Connect();
  Tick("网络参数"_gbk, "APN", "cmnet");
  h.reports.Clear();
  const std::size_t before = sim.ReceivedBytes().size();
  h.Run(SetWithChannelsRequest{kModeSin});
  EXPECT_EQ(h.reports.Lines().back(), S("设置参数接入点名称失败***"_gbk));
  const std::string sent = sim.ReceivedBytes().substr(before);
  EXPECT_EQ(Count(sent, "AT+SETPARAM=APN,cmnet\r\n"), 1u);  // ERROR: no second attempt
  EXPECT_EQ(Count(sent, "AT+SAVEPARAM"), 0u);
}

TEST(WorkerSetGuard, AValueFromTheUnitHoldingAControlByteIsNeverSentBack) {
  // The query stores what the unit reports (an LF-only unit runs its lines
  // together); ticked and set as it is, the value fails as an unanswered one
  // would, and nothing of it goes on the wire.
  const std::vector<std::string> cases[] = {{"--lf-only"}, {"--value", "APN=CM\x1B[2JIOT"}};
  for (const std::vector<std::string>& args : cases) {
    DtuSimProcess sim;
    WorkerHarness h;
    ASSERT_TRUE(sim.Start(args)) << sim.error();
    ASSERT_TRUE(h.OpenPort(sim.SlavePath()));
    h.StartWorker();
    h.Run(ConnectRequest{kModeSin});
    h.catalogue.Write([](CParamCatalogue& c) {
      c.RebuildCommonGroup();  // as the frame does after the connect
      ParamGroup& network = *c.Group(c.GroupIndexByName("网络参数"_gbk));
      for (int i = 0; i < network.UsedCount(); ++i)
        network.params[i].selected = network.params[i].short_name == "APN";
    });
    ASSERT_TRUE(HasControlByte(CatalogueValue(h.catalogue, "网络参数"_gbk, "APN"))) << args[0];
    h.reports.Clear();
    const std::size_t before = sim.ReceivedBytes().size();
    h.Run(SetWithChannelsRequest{kModeSin});
    EXPECT_EQ(h.reports.Lines().back(), S("设置参数接入点名称失败***"_gbk)) << args[0];
    EXPECT_EQ(sim.ReceivedBytes().substr(before), "") << args[0];
  }
}

TEST_F(WorkerAgainstDtu, AFailedSaveIsLogged) {
  Start({"--error-on", "AT+SAVEPARAM"});
  Connect();
  Tick("网络参数"_gbk, "APN", "cmnet");
  h.reports.Clear();
  h.Run(SetWithChannelsRequest{kModeSin});
  EXPECT_EQ(h.reports.Lines().back(), S("设置参数, 保存参数失败***\r\n"_gbk));
}

// How a set ends when something fails, for both forms: the texts differ, and
// only a failed channel selection tells the frame the set is over (DONE 0).
TEST(WorkerSetFailures, EachFormEndsWithItsOwnLineAndSendsWhatItSendsToday) {
  struct Case {
    const char* name;
    ConfigRequest request;
    std::vector<std::string> sim_args;
    bool tick;                            // tick APN and the channel-1 protocol of SIN
    std::string sent;                     // bytes after the connect
    std::vector<std::string> last_events;  // the run's closing reports
  };
  const std::string finished_set = "FINISHED:" + std::to_string(WM_CFG_SET) + ":0";
  const std::string finished_chl = "FINISHED:" + std::to_string(WM_CFG_SET_CHANNELS) + ":0";
  const Case cases[] = {
      {"set, nothing ticked", SetRequest{}, {}, false, "",
       {"LOG:" + S("未选择需要配置的参数.\r\n"_gbk), finished_set}},
      {"set, a parameter refused", SetRequest{}, {"--error-on", "APN"}, true, "AT+SETPARAM=APN,cmnet\r\n",
       {"LOG:" + S("正在配置参数...\r\n"_gbk), "LOG:" + S("设置参数接入点名称失败!"_gbk), finished_set}},
      {"set, the save refused", SetRequest{}, {"--error-on", "AT+SAVEPARAM"}, true,
       "AT+SETPARAM=APN,cmnet\r\nAT+SETPARAM=PROTO,0\r\nAT+SAVEPARAM\r",
       {"LOG:" + S("正在配置参数...\r\n"_gbk), "LOG:" + S("设置参数, 保存参数失败\r\n"_gbk), finished_set}},
      {"set with channels, the selection refused", SetWithChannelsRequest{kModeSin}, {"--error-on", "AT+SETCHL"}, true,
       "AT+SETPARAM=APN,cmnet\r\nAT+SETCHL=1\r\n",
       {"LOG:" + S(" AT+SETCHL=1  失败***\r\n"_gbk), "DONE:0", finished_chl}},
  };
  for (const Case& c : cases) {
    DtuSimProcess sim;
    WorkerHarness h;
    ASSERT_TRUE(sim.Start(c.sim_args)) << sim.error();
    ASSERT_TRUE(h.OpenPort(sim.SlavePath()));
    h.StartWorker();
    h.Run(ConnectRequest{kModeSin});
    h.catalogue.Write([&](CParamCatalogue& cat) {
      cat.RebuildCommonGroup();  // as the frame does after the connect
      if (!c.tick) return;
      for (std::string_view group : {"网络参数"_gbk, "通道1参数(单通道)"_gbk}) {
        ParamGroup& g = *cat.Group(cat.GroupIndexByName(group));
        for (int i = 0; i < g.UsedCount(); ++i) {
          ParamDef& p = g.params[static_cast<std::size_t>(i)];
          if (p.short_name == "APN") p.value = "cmnet";
          if (p.short_name == "APN" || p.short_name == "PROTO") p.selected = true;
        }
      }
    });
    h.reports.Clear();
    const std::size_t before = sim.ReceivedBytes().size();
    h.Run(c.request);
    const std::string sent = sim.ReceivedBytes().substr(before);
    // A refused command is not sent again, so the bytes are exact.
    EXPECT_EQ(sent, c.sent) << c.name;
    const std::vector<std::string> events = h.reports.Events();
    ASSERT_GE(events.size(), c.last_events.size()) << c.name;
    EXPECT_EQ(std::vector<std::string>(events.end() - static_cast<std::ptrdiff_t>(c.last_events.size()), events.end()),
              c.last_events)
        << c.name;
  }
}

TEST_F(WorkerAgainstDtu, DefaultsNameTheModeOnS3AndRefuseModeZero) {
  Start();
  Connect();
  h.reports.Clear();
  std::size_t before = sim.ReceivedBytes().size();
  h.Run(DefaultsRequest{std::nullopt});
  EXPECT_EQ(h.reports.Lines(),
            (std::vector<std::string>{S("DTU正在恢复默认参数值...\r\n"_gbk),
                                      S("设置默认参数失败，原因：通道模式不正确【SIN,BAK,MUL,MULB】***!\r\n"_gbk)}));
  EXPECT_EQ(sim.ReceivedBytes().size(), before);
  h.reports.Clear();
  before = sim.ReceivedBytes().size();
  h.Run(DefaultsRequest{kModeMulb});
  EXPECT_EQ(sim.ReceivedBytes().substr(before), "AT+USEDEFAULT=MULB\r\n");
  EXPECT_EQ(h.reports.Lines().back(), S("DTU恢复默认参数值成功.\r\n"_gbk));
}

TEST_F(WorkerAgainstDtu, DefaultsOnS2IgnoreTheMode) {
  Start({"--profile", ShippedDataFile("dtusim_s2.profile")});
  Connect();
  const std::size_t before = sim.ReceivedBytes().size();
  h.Run(DefaultsRequest{kModeMulb});
  EXPECT_EQ(sim.ReceivedBytes().substr(before), "AT+USEDEFAULT\r\n");
}

TEST_F(WorkerAgainstDtu, TwoCommandsPostedAtOnceRunOneAfterTheOther) {
  Start();
  Connect();
  h.reports.Clear();
  h.worker->Post(DefaultsRequest{kModeSin});
  h.worker->Post(RestartRequest{});
  ASSERT_TRUE(h.worker->WaitIdle(std::chrono::seconds(60)));
  EXPECT_EQ(h.reports.Events(),
            (std::vector<std::string>{"LOG:" + S("DTU正在恢复默认参数值...\r\n"_gbk),
                                      "LOG:" + S("DTU恢复默认参数值成功.\r\n"_gbk),
                                      "FINISHED:" + std::to_string(WM_CFG_DEFAULTS) + ":1",
                                      "LOG:" + S("正准备重启动DTU...\r\n"_gbk),
                                      "LOG:" + S("发送重启指令成功, DTU将重启! \r\n"_gbk),
                                      "FINISHED:" + std::to_string(WM_CFG_RESTART) + ":1"}));
}

TEST_F(WorkerAgainstDtu, QueryValuesCanBeReadWhileTheWorkerWritesThem) {
  Start();
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    while (!stop.load()) {
      h.catalogue.Read([](const CParamCatalogue& c) {
        std::size_t total = 0;
        for (int g = 0; g < kGroupSlots; ++g) {
          for (int i = 0; i < c.Group(g)->UsedCount(); ++i) total += c.Param(g, i)->value.size();
        }
        return total;
      });
    }
  });
  Connect();
  h.Run(QueryRequest{kModeSin});
  stop.store(true);
  reader.join();
  EXPECT_TRUE(Contains(h.reports.Events(), "DONE:1"));
}

// A restart answered after 4 "seconds" of the link clock misses its single
// 3-second attempt.
TEST(WorkerRestart, AnAcknowledgementAfterTheLimitIsAFailure) {
  test::PtyPeer dtu;
  dtu.AddRule({.when = "AT+RESET\r\n", .reply = {"AT+RESET\r\nOK\r\n"}, .delay = std::chrono::milliseconds(1000)});
  WorkerHarness h;
  ASSERT_TRUE(h.OpenPort(dtu.Path()));
  h.StartWorker();
  h.port->SetLinkClock(LinkClock(4));  // 3 s of link time pass in 0.75 s
  h.Run(RestartRequest{});
  EXPECT_EQ(h.reports.Lines(),
            (std::vector<std::string>{S("正准备重启动DTU...\r\n"_gbk), S("发送重启指令失败 \r\n"_gbk)}));
  EXPECT_EQ(dtu.Received(), "AT+RESET\r\n");
}

// Failures of the query and of the restore against a scripted unit: the
// query tells the frame it is over (DONE 0), the restore only logs.
TEST(WorkerQueryAndDefaultsFailures, EachLogsItsLineAndOnlyTheQueryReportsDone) {
  struct Case {
    const char* name;
    ConfigRequest request;
    std::string when;   // the unit answers this ...
    std::string reply;  // ... with this (nothing: never answers)
    std::vector<std::string> events;
  };
  const std::string query_start = "LOG:" + S("正在进行AT+GETPARAM?.... \r\n"_gbk);
  const std::string defaults_start = "LOG:" + S("DTU正在恢复默认参数值...\r\n"_gbk);
  const Case cases[] = {
      {"query, no answer in 60 s", QueryRequest{kModeSin}, "", "",
       {query_start, "LOG:" + S("AT+GETPARAM? 失败*** \r\n"_gbk), "DONE:0",
        "FINISHED:" + std::to_string(WM_CFG_QUERY) + ":0"}},
      {"query, an answer shorter than its echo", QueryRequest{kModeSin}, "AT+GETPARAM?\r\n", "OK\r\n",
       {query_start, "LOG:" + S("AT+GETPARAM? 失败2*** \r\n"_gbk), "DONE:0",
        "FINISHED:" + std::to_string(WM_CFG_QUERY) + ":0"}},
      {"restore defaults refused", DefaultsRequest{kModeSin}, "AT+USEDEFAULT=SIN\r\n", "ERROR\r\n",
       {defaults_start, "LOG:" + S("发送恢复默认参数值指令失败*** \r\n"_gbk),
        "FINISHED:" + std::to_string(WM_CFG_DEFAULTS) + ":0"}},
  };
  for (const Case& c : cases) {
    test::PtyPeer dtu;
    if (!c.reply.empty()) dtu.AddRule({.when = c.when, .reply = {c.reply}, .times = 0});
    WorkerHarness h;
    ASSERT_TRUE(h.OpenPort(dtu.Path()));
    h.StartWorker();
    h.port->SetLinkClock(LinkClock(60));  // the query's 60 s pass in one second
    h.Run(c.request);
    EXPECT_EQ(h.reports.Events(), c.events) << c.name;
  }
}

TEST_F(WorkerAgainstDtu, AnAbortDuringTheChannelPassEndsTheQueryWithoutSuccess) {
  Start();
  Connect();
  h.reports.Clear();
  h.reports.on_log = [this](std::string_view line) {
    if (line == "正在取各通道的参数... \r\n"_gbk) h.flags.at_mode.store(true);
  };
  h.Run(QueryRequest{kModeSin});
  // The pass checks before every parameter; its abort logs the line only:
  // no DONE, unlike an abort inside a transaction.
  const std::vector<std::string> events = h.reports.Events();
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(events.end() - 3, events.end()),
            (std::vector<std::string>{"LOG:" + S("正在获取通道 1 的参数...\r\n"_gbk),
                                      "LOG:" + S("已切换到AT界面，故参数界面未完成的动作被迫终止!\r\n"_gbk),
                                      "FINISHED:" + std::to_string(WM_CFG_QUERY) + ":0"}));
  EXPECT_FALSE(Contains(events, "DONE:0"));
}

TEST(WorkerShutdown, EndsARunningTransactionAtOnce) {
  test::PtyPeer dtu;  // never answers
  WorkerHarness h;
  ASSERT_TRUE(h.OpenPort(dtu.Path()));
  h.StartWorker();
  h.worker->Post(QueryRequest{kModeSin});  // would wait 60 s
  ASSERT_TRUE(dtu.WaitForReceived("AT+GETPARAM?\r\n"));
  const auto start = std::chrono::steady_clock::now();
  h.worker->Shutdown();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_FALSE(Contains(h.reports.Lines(), S("AT+GETPARAM? 失败*** \r\n"_gbk)));  // silent after the stop
}

}  // namespace
}  // namespace zt
