// zereltool-cli records over the records that prodtest runs against the
// simulated DTU left: list, show, stats and the exports; the duplicate-IMEI
// guard and its override from the command line.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "support/dtusim_fixture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace zt {
namespace {

using test::ProgramResult;
using test::RunProgram;

class CliRecords : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sim.Start({})) << sim.error(); }
  ProgramResult Cli(std::vector<std::string> args) {
    std::vector<std::string> argv = {ZT_CLI_PATH};
    if (!args.empty() && args[0] == "records") {
      argv.insert(argv.end(), {"records", "--settings", settings});
      args.erase(args.begin());
    } else {
      argv.insert(argv.end(), {"--settings", settings, "-p", sim.SlavePath()});
    }
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
  }
  // A passed and a failed unit of the run test.
  void TwoUnits() {
    ASSERT_EQ(Cli({"prodtest", "--run-test", "--key", "ZR-3100 READY", "--csq", "15", "--operator", "王芳"}).status, 0);
    ASSERT_EQ(Cli({"prodtest", "--run-test", "--key", "ZR-3100 READY", "--csq", "30"}).status, 1);
  }
  std::string ConfigFile() {
    const ProgramResult r = Cli({"read", "--export", dir.File("unit")});
    EXPECT_EQ(r.status, 0) << r.err;
    return dir.File("unit.ini");
  }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  test::TempDir dir;
  std::string settings = dir.File("tool_set.ini");
  test::DtuSimProcess sim;
};

TEST_F(CliRecords, ListShowsOneLinePerUnitNewestFirstAndFilters) {
  TwoUnits();
  const ProgramResult all = Cli({"records", "list"});
  ASSERT_EQ(all.status, 0) << all.err;
  const std::vector<std::string> lines = Lines(all.out);
  ASSERT_EQ(lines.size(), 2u) << all.out;
  EXPECT_NE(lines[0].find("\tfailed\t"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("\t运行测试: 信号检测失败：期望最低信号 30, 当前信号 23"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("\tpassed\t"), std::string::npos) << lines[1];
  const ProgramResult passed = Cli({"records", "list", "--result", "passed"});
  EXPECT_EQ(Lines(passed.out).size(), 1u);
  EXPECT_EQ(Cli({"records", "list", "--since", "2999"}).out, "");
  EXPECT_EQ(Lines(Cli({"records", "list", "--until", "2999-01-01T00:00:00Z"}).out).size(), 2u);
  // Any other text would compare as text and filter wrongly.
  EXPECT_EQ(Cli({"records", "list", "--since", "2026'; DROP TABLE"}).status, 2);
  EXPECT_EQ(Cli({"records", "list", "--until", "yesterday"}).status, 2);
  EXPECT_EQ(Cli({"records", "list", "--result", "good"}).status, 2);
  // The tool's --settings may come first, as with every other command.
  for (const std::string& settings_first : {std::string("--settings"), "--settings=" + settings}) {
    std::vector<std::string> argv = {ZT_CLI_PATH, settings_first};
    if (settings_first == "--settings") argv.push_back(settings);
    argv.insert(argv.end(), {"records", "list", "--result", "passed"});
    EXPECT_EQ(RunProgram(argv).out, passed.out) << settings_first;
  }
}

TEST_F(CliRecords, ShowPrintsTheRecordWithItsStepsAndAMissingOneExitsWithOne) {
  TwoUnits();
  const std::string uuid = Lines(Cli({"records", "list", "--result", "passed"}).out).at(0).substr(25, 36);
  const ProgramResult r = Cli({"records", "show", uuid});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* part : {"result: passed\n", "operator: 王芳\n", "software version: 3.1.2\n", "signal: 23\n",
                           "identity: Manufacturer: 泽雷通信\n", "steps:\n  连接\tpassed\t", "  运行测试\tpassed\t"}) {
    EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
  }
  EXPECT_EQ(r.out.find("uuid: " + uuid + "\n"), 0u) << r.out;
  EXPECT_EQ(Cli({"records", "show", "00000000-0000-4000-8000-000000000000"}).status, 1);
}

TEST_F(CliRecords, StatsCountUnitsYieldAndFailures) {
  TwoUnits();
  const ProgramResult r = Cli({"records", "stats"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* part : {"units: 2\n", "passed: 1\n", "failed: 1\n", "yield: 50.0%\n", "units per hour: 2.0\n",
                           "top failures:\n  1\t信号检测失败：期望最低信号 30, 当前信号 23\n"}) {
    EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
  }
}

TEST_F(CliRecords, ExportsWriteCsvJsonAndOcpLines) {
  TwoUnits();
  ASSERT_EQ(Cli({"records", "export", "--csv", dir.File("r.csv")}).status, 0);
  const std::vector<std::string> csv = Lines(test::ReadFileBytes(dir.File("r.csv")));
  ASSERT_EQ(csv.size(), 3u);
  EXPECT_TRUE(csv[0].starts_with("uuid,started,ended,station,operator,")) << csv[0];
  EXPECT_NE(csv[1].find(",王芳,"), std::string::npos) << csv[1];  // oldest first
  EXPECT_NE(csv[2].find(",failed,运行测试,\"信号检测失败：期望最低信号 30, 当前信号 23\","), std::string::npos) << csv[2];

  const ProgramResult json = Cli({"records", "export", "--json", "-", "--result", "failed"});
  ASSERT_EQ(json.status, 0) << json.err;
  const nlohmann::json list = nlohmann::json::parse(json.out);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]["result"], "failed");
  EXPECT_EQ(list[0]["signal"], 23);
  EXPECT_EQ(list[0]["steps"][1]["failure"], "信号检测失败：期望最低信号 30, 当前信号 23");

  const ProgramResult ocp = Cli({"records", "export", "--ocp", "-"});
  ASSERT_EQ(ocp.status, 0) << ocp.err;
  int runs = 0, ends = 0, measurements = 0, errors = 0;
  std::vector<std::string> results;
  for (const std::string& line : Lines(ocp.out)) {
    const nlohmann::json artifact = nlohmann::json::parse(line);  // throws on a line that is not JSON
    EXPECT_TRUE(artifact.contains("sequenceNumber") && artifact.contains("timestamp")) << line;
    if (artifact.contains("schemaVersion")) {
      EXPECT_EQ(artifact["schemaVersion"]["major"], 2);
      EXPECT_EQ(artifact["sequenceNumber"], 0);
    }
    if (artifact.contains("testRunArtifact") && artifact["testRunArtifact"].contains("testRunStart")) {
      const nlohmann::json& start = artifact["testRunArtifact"]["testRunStart"];
      EXPECT_TRUE(start.contains("name") && start.contains("version") && start.contains("parameters")) << line;
      EXPECT_EQ(start["dutInfo"]["softwareInfos"][0]["version"], "3.1.2");
      ++runs;
    }
    if (artifact.contains("testRunArtifact") && artifact["testRunArtifact"].contains("testRunEnd")) {
      const nlohmann::json& end = artifact["testRunArtifact"]["testRunEnd"];
      EXPECT_EQ(end["status"], "COMPLETE");
      results.push_back(end["result"]);
      ++ends;
    }
    if (artifact.contains("testStepArtifact")) {
      const nlohmann::json& step = artifact["testStepArtifact"];
      EXPECT_TRUE(step.contains("testStepId")) << line;
      if (step.contains("measurement")) {
        EXPECT_EQ(step["measurement"]["value"], 23);
        EXPECT_EQ(step["measurement"]["validators"][0]["type"], "GREATER_THAN_OR_EQUAL");
        ++measurements;
      }
      if (step.contains("error")) {
        EXPECT_EQ(step["error"]["message"], "信号检测失败：期望最低信号 30, 当前信号 23");
        ++errors;
      }
    }
  }
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(ends, 2);
  EXPECT_EQ(measurements, 2);
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(results, (std::vector<std::string>{"PASS", "FAIL"}));
  EXPECT_EQ(Cli({"records", "export"}).status, 2);
}

TEST_F(CliRecords, AUsedImeiIsRefusedUnlessAllowedAndTheRecordSaysSo) {
  const std::string file = ConfigFile();
  const auto unit = [&](const char* product, bool allow) {
    std::vector<std::string> args = {"prodtest", "--config", file, "--finished", "--product", product,
                                     "--imei", "86012345678977"};
    if (allow) args.push_back("--allow-duplicate-imei");
    return Cli(args);
  };
  ASSERT_EQ(unit("P-A", false).status, 0);
  const ProgramResult refused = unit("P-B", false);
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("IMEI号 86012345678977 已用于产品 P-A（"), std::string::npos) << refused.err;
  const ProgramResult allowed = unit("P-B", true);
  EXPECT_EQ(allowed.status, 0) << allowed.err;
  const std::string newest = Lines(Cli({"records", "list"}).out).at(0).substr(25, 36);
  EXPECT_NE(Cli({"records", "show", newest}).out.find("duplicate IMEI allowed: yes\n"), std::string::npos);
  EXPECT_EQ(Lines(Cli({"records", "list", "--imei", "86012345678977", "--result", "failed"}).out).size(), 1u);
}

TEST_F(CliRecords, ALineDatabaseThatCannotBeOpenedExitsWithTwo) {
  // Nothing listens on port 1 of this machine.
  const ProgramResult r = Cli({"records", "--records-url", "postgresql://127.0.0.1:1/records", "list"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.err.starts_with("zereltool-cli: ")) << r.err;
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace zt
