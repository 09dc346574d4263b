// A station's production test with a line's database: zereltool-cli
// prodtest against simulated units, its records forwarded to a real
// PostgreSQL server, also across an outage of the server.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "pg_test_support.h"
#include "records/sqlite_record_store.h"
#include "support/dtusim_fixture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace zt::test {
namespace {

class PgStationTest : public PgServerTest {
 protected:
  // prodtest with the run test on every simulated unit, `units` passed
  // units a port, recording to the station's file and the line.
  ProgramResult Prodtest(int ports, int units) {
    std::vector<std::unique_ptr<DtuSimProcess>> sims;
    std::vector<std::string> argv = {ZT_CLI_PATH, "--settings", dir.File("tool_set.ini")};
    for (int i = 0; i < ports; ++i) {
      auto sim = std::make_unique<DtuSimProcess>();
      EXPECT_TRUE(sim->Start()) << sim->error();
      argv.insert(argv.end(), {"--port", sim->SlavePath()});
      sims.push_back(std::move(sim));
    }
    argv.insert(argv.end(), {"prodtest", "--run-test", "--key", "ZR-3100 READY", "--csq", "15", "--continuous",
                             "--wait", "0", "--units", std::to_string(units), "--records-file",
                             dir.File("records.sqlite3"), "--records-url", RecordsUrl()});
    ProgramSetup setup;
    setup.working_folder = dir.path();
    return RunProgram(argv, setup);
  }
  std::vector<UnitRecord> Line() {
    std::unique_ptr<IRecordStore> line = OpenRecords();
    if (!line) return {};
    return line->List({}).value_or(std::vector<UnitRecord>{});
  }
  std::size_t LocalWaiting() {
    std::string error;
    auto local = SqliteRecordStore::Open(dir.File("records.sqlite3"), error);
    if (!local) return 0;
    return local->Unforwarded(1000).value_or(std::vector<UnitRecord>{}).size();
  }

  TempDir dir;
};

TEST_F(PgStationTest, EveryUnitOfEveryPortReachesTheLineOnce) {
  const ProgramResult r = Prodtest(2, 2);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<UnitRecord> line = Line();
  ASSERT_EQ(line.size(), 4u);
  std::set<std::string> uuids;
  std::set<std::string> ports;
  for (const UnitRecord& record : line) {
    uuids.insert(record.uuid);
    ports.insert(record.port);
    EXPECT_EQ(record.result, RecordResult::kPassed);
    EXPECT_EQ(record.signal, 23);
  }
  EXPECT_EQ(uuids.size(), 4u);
  EXPECT_EQ(ports.size(), 2u);
  EXPECT_EQ(LocalWaiting(), 0u);
}

TEST_F(PgStationTest, RecordsMadeWhileTheLineIsDownArriveOnceItIsBack) {
  server_.Stop();
  // The test itself goes on without the line: its records wait at the station.
  const ProgramResult down = Prodtest(1, 3);
  ASSERT_EQ(down.status, 0) << down.err;
  EXPECT_EQ(LocalWaiting(), 3u);
  std::string error;
  ASSERT_TRUE(server_.Start(error)) << error;
  const ProgramResult back = Prodtest(1, 1);
  ASSERT_EQ(back.status, 0) << back.err;
  const std::vector<UnitRecord> line = Line();
  EXPECT_EQ(line.size(), 4u);
  std::set<std::string> uuids;
  for (const UnitRecord& record : line) uuids.insert(record.uuid);
  EXPECT_EQ(uuids.size(), 4u);
  EXPECT_EQ(LocalWaiting(), 0u);
}

}  // namespace
}  // namespace zt::test
