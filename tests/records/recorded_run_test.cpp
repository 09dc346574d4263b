// Records of real runs against the simulated DTU: one per unit that logged
// in, whatever its end, with what the run and the unit said; the
// duplicate-IMEI guard; a store that cannot be written.
#include <gtest/gtest.h>

#include <thread>

#include "prodtest/dtusim_run_support.h"
#include "records/record_ids.h"
#include "records/sqlite_record_store.h"
#include "records/store_recorder.h"
#include "text/gbk.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::Gbk;

class RecordedRun : public test::DtuSimRunTest {
 protected:
  // The simulator, and a run that reports to a store in the test's folder
  // (none when `no_store`).
  void StartRecorded(std::vector<std::string> args = {}, bool required = false, bool no_store = false) {
    StartSim(std::move(args));
    if (!no_store) {
      std::string error;
      store_ = SqliteRecordStore::Open(dir_.File("records.sqlite3"), error);
      ASSERT_NE(store_, nullptr) << error;
    }
    recorder_ = std::make_unique<StoreUnitRecorder>(store_.get(), "the store is away",
                                                    RecorderIdentity{"station-7", "张伟", "9.8.7", required});
    guard_ = std::make_unique<StoreImeiGuard>(std::vector<IRecordStore*>{store_.get()});
    TestEnvironment env = env_->Env();
    env.recorder = recorder_.get();
    env.imei_guard = guard_.get();
    run_ = std::make_unique<CTestRun>(env);
  }
  void TearDown() override {
    run_.reset();
    recorder_.reset();
  }

  std::string ConfigFile() {
    const std::string file =
        test::MakeConfigFile(dir_.File("config"), FileVariant::kS3, kModeSin, "dtusim_s3.profile");
    EXPECT_FALSE(file.empty());
    return file;
  }
  TestChoices Everything(const std::string& file, std::int64_t threshold = 15) {
    TestChoices c = Configure(file, true);
    c.run_test_item = true;
    c.key_string = "ZR-3100 READY";
    c.signal_threshold = threshold;
    return c;
  }
  std::vector<UnitRecord> Records() {
    EXPECT_TRUE(recorder_->Flush());
    return store_->List({}).value_or(std::vector<UnitRecord>{});
  }
  static std::string StepNames(const UnitRecord& r) {
    std::string names;
    for (const StepRecord& s : r.steps) names += s.name + ":" + RecordResultToken(s.result) + " ";
    return names;
  }

  std::unique_ptr<SqliteRecordStore> store_;
  std::unique_ptr<StoreUnitRecorder> recorder_;
  std::unique_ptr<StoreImeiGuard> guard_;
};

TEST_F(RecordedRun, APassedUnitLeavesARecordOfEverythingTheRunSaw) {
  StartRecorded();
  const std::string file = ConfigFile();
  test::FixedPrompt prompt(SerialNumbers{"ZR3100C0007", "86012345678907"});
  const std::string text = RunToEnd(Everything(file), &prompt);
  ASSERT_EQ(run_->LastOutcome(), RunOutcome::kPassed) << text;
  const std::vector<UnitRecord> records = Records();
  ASSERT_EQ(records.size(), 1u);
  const UnitRecord& r = records[0];
  EXPECT_EQ(r.uuid, recorder_->LastUuid());
  EXPECT_TRUE(IsRecordUuid(r.uuid));
  EXPECT_TRUE(ParseIsoUtc(r.started) && ParseIsoUtc(r.ended)) << r.started << " " << r.ended;
  EXPECT_LT(r.started, r.ended);
  EXPECT_EQ(r.station, "station-7");
  EXPECT_EQ(r.operator_name, "张伟");
  EXPECT_EQ(r.tool_version, "9.8.7");
  EXPECT_EQ(r.port, sim_.SlavePath());  // a pseudo-terminal has no stable name
  EXPECT_TRUE(r.finished_product);
  EXPECT_EQ(r.items, (std::vector<std::string>{"参数配置", "运行测试"}));
  EXPECT_EQ(r.config_path, file);
  EXPECT_EQ(r.config_sha256, Sha256Hex(test::ReadFileBytes(file)));
  EXPECT_EQ(r.key_string, "ZR-3100 READY");
  EXPECT_EQ(r.signal_threshold, 15);
  EXPECT_EQ(r.software_version, "3.1.2");
  EXPECT_EQ(r.product_written, "ZR3100C0007");
  EXPECT_EQ(r.imei_written, "86012345678907");
  EXPECT_EQ(r.product_read, "ZR3100C0007");
  EXPECT_TRUE(r.imei_read.starts_with("86012345678907")) << r.imei_read;
  ASSERT_EQ(r.identity_lines.size(), 4u);
  EXPECT_EQ(r.identity_lines[1], "Manufacturer: 泽雷通信\r\n");  // UTF-8
  EXPECT_EQ(r.signal, 23);
  EXPECT_FALSE(r.duplicate_imei_override);
  EXPECT_EQ(StepNames(r), "连接:passed 参数配置:passed 配置比较:passed 运行测试:passed ");
  for (const StepRecord& s : r.steps) {
    EXPECT_GE(s.duration_ms, 0);
    EXPECT_TRUE(s.failure.empty());
  }
  EXPECT_EQ(r.result, RecordResult::kPassed);
}

TEST_F(RecordedRun, AFailedUnitNamesTheStepThatFailedAndItsText) {
  struct Case {
    std::string imei;
    std::int64_t threshold;
    std::string steps;
    std::string failure;
  };
  const Case cases[] = {
      {"86012345678901", 24, "连接:passed 参数配置:passed 配置比较:passed 运行测试:failed ",
       "信号检测失败：期望最低信号 24, 当前信号 23"},
      {"860123456789012", 15, "连接:passed 参数配置:failed ", "产品IMEI号不应该超过14个字符"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failure);
    run_.reset();
    sim_.Stop();
    recorder_.reset();
    store_.reset();
    std::remove(dir_.File("records.sqlite3").c_str());
    StartRecorded();
    test::FixedPrompt prompt(SerialNumbers{"ZR3100C0008", c.imei});
    RunToEnd(Everything(ConfigFile(), c.threshold), &prompt);
    const std::vector<UnitRecord> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].result, RecordResult::kFailed);
    EXPECT_EQ(StepNames(records[0]), c.steps);
    EXPECT_EQ(records[0].steps.back().failure, c.failure);
  }
}

TEST_F(RecordedRun, AStoppedUnitIsRecordedAsStoppedAndAnAbsentOneNotAtAll) {
  StartRecorded({"--no-ready"});
  view_ = std::make_unique<test::RecordingTestView>(RunTest());
  ASSERT_TRUE(run_->Start(*ValidateStart(RunTest()).run, *view_, no_prompt_));
  ASSERT_TRUE(view_->WaitForText("Revision: ZR3100_S3_3.1.2\r\n"));
  run_->Stop(*view_);
  std::vector<UnitRecord> records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].result, RecordResult::kStopped);
  EXPECT_EQ(StepNames(records[0]), "连接:passed 运行测试:stopped ");
  EXPECT_EQ(records[0].steps.back().failure, "");
  EXPECT_FALSE(records[0].signal.has_value());
}

TEST_F(RecordedRun, AStopBeforeAnyUnitAnsweredLeavesNoRecord) {
  StartRecorded({"--mute"});
  env_->settings.Update([](ToolSettings& s) { s.connect_timeout = 600; });
  view_ = std::make_unique<test::RecordingTestView>(RunTest());
  ASSERT_TRUE(run_->Start(*ValidateStart(RunTest()).run, *view_, no_prompt_));
  ASSERT_TRUE(sim_.WaitForReceived(std::string(13, ' ')));
  run_->Stop(*view_);
  EXPECT_TRUE(Records().empty());
}

TEST_F(RecordedRun, AContinuousRunLeavesOneRecordPerUnit) {
  StartRecorded();
  test::SequencePrompt prompt({{"ZR3100E0001", "86012345678901"}, {"ZR3100E0002", "860123456789022"}});
  TestChoices c = Everything(ConfigFile());
  c.continuous = true;
  c.wait_time = 1;
  RunToEnd(c, &prompt);
  const std::vector<UnitRecord> records = Records();  // newest first
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].result, RecordResult::kPassed);
  EXPECT_EQ(records[1].product_written, "ZR3100E0001");
  EXPECT_EQ(records[0].result, RecordResult::kFailed);
  EXPECT_EQ(records[0].product_written, "ZR3100E0002");
  EXPECT_NE(records[0].uuid, records[1].uuid);
  EXPECT_LE(records[1].ended, records[0].started);
}

// ---- the duplicate-IMEI guard ----------------------------------------------------

TEST_F(RecordedRun, AnImeiUsedByAnotherProductIsRefusedBeforeAnythingIsWritten) {
  StartRecorded();
  const std::string file = ConfigFile();
  test::FixedPrompt first(SerialNumbers{"ZR3100A0001", "86012345678955"});
  RunToEnd(Configure(file, true), &first);
  ASSERT_EQ(run_->LastOutcome(), RunOutcome::kPassed);
  const UnitRecord earlier = Records().at(0);
  const std::size_t sets_before = CountSent("AT+SETPARAM");

  test::FixedPrompt second(SerialNumbers{"ZR3100B0002", "86012345678955"});
  const std::string text = RunToEnd(Configure(file, true), &second);
  const std::string refusal = Format("IMEI号 %s 已用于产品 %s（%s，%s）"_gbk, std::string("86012345678955"),
                                     std::string("ZR3100A0001"), earlier.ended, std::string("station-7"));
  EXPECT_TRUE(text.ends_with(refusal + "\r\n" + Gbk("配置测试结束!\r\n"_gbk))) << text;
  EXPECT_EQ(run_->LastOutcome(), RunOutcome::kFailed);
  EXPECT_EQ(CountSent("AT+SETPARAM"), sets_before);
  const UnitRecord refused = Records().at(0);
  EXPECT_EQ(refused.result, RecordResult::kFailed);
  EXPECT_EQ(StepNames(refused), "连接:passed 重复IMEI检查:failed ");
  EXPECT_EQ(refused.steps.back().failure, GbkToUtf8(refusal));
  EXPECT_EQ(refused.imei_written, "86012345678955");

  // The same product again is the same unit tested again: no refusal.
  test::FixedPrompt again(SerialNumbers{"ZR3100A0001", "86012345678955"});
  RunToEnd(Configure(file, true), &again);
  EXPECT_EQ(run_->LastOutcome(), RunOutcome::kPassed);
}

TEST_F(RecordedRun, TheOverrideLetsTheUnitThroughAndItsRecordSaysSo) {
  StartRecorded();
  const std::string file = ConfigFile();
  test::FixedPrompt first(SerialNumbers{"ZR3100A0001", "86012345678966"});
  RunToEnd(Configure(file, true), &first);
  test::FixedPrompt second(SerialNumbers{"ZR3100B0002", "86012345678966"});
  TestChoices c = Configure(file, true);
  c.allow_duplicate_imei = true;
  const std::string text = RunToEnd(c, &second);
  EXPECT_EQ(run_->LastOutcome(), RunOutcome::kPassed) << text;
  EXPECT_NE(text.find(Gbk("，已允许重复IMEI\r\n参数配置...\r\n"_gbk)), std::string::npos) << text;
  const UnitRecord r = Records().at(0);
  EXPECT_TRUE(r.duplicate_imei_override);
  EXPECT_EQ(r.product_written, "ZR3100B0002");
  EXPECT_EQ(r.result, RecordResult::kPassed);
}

// ---- a store that cannot be written ------------------------------------------------

TEST_F(RecordedRun, WithRecordsRequiredNoUnitStartsWithoutAStore) {
  StartRecorded({}, /*required=*/true, /*no_store=*/true);
  const std::string text = RunToEnd(RunTest());
  EXPECT_EQ(text, Gbk("配置测试开始!\r\n无法写入测试记录，测试停止\r\n配置测试结束!\r\n"_gbk));
  EXPECT_EQ(run_->LastOutcome(), RunOutcome::kFailed);
  EXPECT_EQ(Sent(), "");
}

TEST_F(RecordedRun, ARecordThatCannotBeWrittenIsLoggedAndTheResultStands) {
  StartRecorded({}, /*required=*/false, /*no_store=*/true);
  const std::string text = RunToEnd(RunTest());
  EXPECT_EQ(run_->LastOutcome(), RunOutcome::kPassed);
  EXPECT_NE(text.find(Gbk("配置测试成功!\r\n测试记录写入失败: the store is away\r\n配置测试结束!\r\n"_gbk)),
            std::string::npos)
      << text;
}

TEST(StoreRecorder, AWriteThatFailsIsToldOnceWhenItFailsLate) {
  test::TempDir dir;
  RecordStoreOptions small;
  small.max_pages = 12;
  std::string error;
  auto store = SqliteRecordStore::Open(dir.File("records.sqlite3"), error, small);
  ASSERT_NE(store, nullptr) << error;
  StoreUnitRecorder recorder(store.get(), "", RecorderIdentity{"s", "o", "1", false});
  UnitReport report;
  report.started = report.ended = std::chrono::system_clock::now();
  report.readings.identity_lines.assign(40, std::string(200, 'x'));
  std::string told;
  for (int i = 0; i < 40; ++i) told += recorder.UnitEnded(report);
  ASSERT_TRUE(recorder.Flush());
  for (const std::string& line : recorder.TakeNotices()) told += line;
  const std::string marker = Gbk("测试记录写入失败: "_gbk);
  std::size_t lines = 0;
  for (std::size_t at = told.find(marker); at != std::string::npos; at = told.find(marker, at + 1)) ++lines;
  EXPECT_EQ(lines, 40 - store->List({})->size()) << told;
  EXPECT_GT(lines, 0u);
  EXPECT_TRUE(recorder.TakeNotices().empty());
}

}  // namespace
}  // namespace zt
