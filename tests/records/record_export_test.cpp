// The exports of records that the command-line tests do not make: a
// stopped unit in OCP lines, and CSV fields that need quoting or escaping.
#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "record_samples.h"
#include "records/csv_export_job.h"
#include "records/record_export.h"
#include "records/sqlite_record_store.h"
#include "support/temp_dir.h"

namespace zt {
namespace {

using test::SampleRecord;

std::vector<nlohmann::json> OcpLines(const std::vector<UnitRecord>& records) {
  std::vector<nlohmann::json> lines;
  std::istringstream in(RecordsOcp(records));
  for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
  return lines;
}

TEST(RecordExport, AStoppedUnitEndsItsOcpRunSkippedWithoutAVerdict) {
  UnitRecord r = SampleRecord("a0000000-0000-4000-8000-000000000001", "2026-12-07T10:00:00.000Z",
                              RecordResult::kStopped);
  r.signal.reset();
  const std::vector<nlohmann::json> lines = OcpLines({r});
  ASSERT_FALSE(lines.empty());
  const nlohmann::json& end = lines.back()["testRunArtifact"]["testRunEnd"];
  EXPECT_EQ(end["status"], "SKIP");
  EXPECT_EQ(end["result"], "NOT_APPLICABLE");
  EXPECT_EQ(lines.back()["timestamp"], r.ended);
  std::vector<std::string> statuses;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i]["sequenceNumber"], i);
    if (lines[i].contains("testStepArtifact") && lines[i]["testStepArtifact"].contains("testStepEnd")) {
      statuses.push_back(lines[i]["testStepArtifact"]["testStepEnd"]["status"]);
    }
    EXPECT_FALSE(lines[i].contains("testStepArtifact") && lines[i]["testStepArtifact"].contains("measurement"));
  }
  EXPECT_EQ(statuses, (std::vector<std::string>{"COMPLETE", "COMPLETE", "COMPLETE", "SKIP"}));
  // Each step begins where the one before ended.
  EXPECT_EQ(lines[2]["timestamp"], "2026-12-07T10:00:00.000Z");
  EXPECT_EQ(lines[5]["timestamp"], "2026-12-07T10:00:00.812Z");
  EXPECT_EQ(lines[1]["testRunArtifact"]["testRunStart"]["dutInfo"]["dutInfoId"], "86012345678901");
}

TEST(RecordExport, CsvFieldsAreQuotedAndControlBytesEscaped) {
  UnitRecord r = SampleRecord("a0000000-0000-4000-8000-000000000001", "2026-12-07T10:00:00.000Z");
  r.station = "line \"A\", left";
  r.key_string = "READY\r\n\x1b[2J";
  const std::string csv = RecordsCsv({r});
  EXPECT_NE(csv.find(",\"line \"\"A\"\", left\","), std::string::npos) << csv;
  EXPECT_NE(csv.find(",READY\\x0D\\x0A\\x1B[2J,"), std::string::npos) << csv;
  EXPECT_NE(csv.find(",IMEI Number: 860123456789012; Revision: ZR3100_S3_3.1.2\r\n"), std::string::npos) << csv;
  // One header line and one line for the unit.
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2);
}

// The records page's export job: the filter's records, newest first, or why
// not; a missing records file is not made.
TEST(CsvExportJob, WritesTheFiltersRecordsOrSaysWhyNot) {
  test::TempDir dir;
  const std::string records = dir.File("records.sqlite3");
  std::vector<UnitRecord> units = {
      SampleRecord("a0000000-0000-4000-8000-000000000001", "2026-12-07T10:00:00.000Z"),
      SampleRecord("a0000000-0000-4000-8000-000000000002", "2026-12-07T11:00:00.000Z", RecordResult::kFailed),
      SampleRecord("a0000000-0000-4000-8000-000000000003", "2026-12-07T12:00:00.000Z")};
  {
    std::string error;
    const auto store = SqliteRecordStore::Open(records, error);
    ASSERT_TRUE(store) << error;
    for (const UnitRecord& r : units) ASSERT_TRUE(store->Append(r));
  }
  RecordFilter passed;
  passed.result = RecordResult::kPassed;
  CsvExportOutcome out = ExportRecordsCsv(records, passed, dir.File("passed.csv"));
  EXPECT_EQ(out.kind, CsvExportOutcome::Kind::kWritten);
  EXPECT_EQ(out.count, 2u);
  EXPECT_EQ(test::ReadFileBytes(dir.File("passed.csv")), RecordsCsv({units[2], units[0]}));

  out = ExportRecordsCsv(records, {}, dir.path());  // a folder is no file to write
  EXPECT_EQ(out.kind, CsvExportOutcome::Kind::kNotWritten);

  out = ExportRecordsCsv(dir.File("none.sqlite3"), {}, dir.File("none.csv"));
  EXPECT_EQ(out.kind, CsvExportOutcome::Kind::kNotRead);
  EXPECT_FALSE(out.error.empty());
  EXPECT_NE(::access(dir.File("none.sqlite3").c_str(), F_OK), 0);
  EXPECT_NE(::access(dir.File("none.csv").c_str(), F_OK), 0);
}

}  // namespace
}  // namespace zt
