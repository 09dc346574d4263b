#include "pg_test_support.h"

#include <cstdio>
#include <sstream>
#include <thread>

#include "records/line_store.h"

namespace zt::test {

void PgServerTest::SetUp() {
  if (PgServer::FindBinaries().empty()) {
    GTEST_SKIP() << "PostgreSQL server not installed: no initdb and postgres under /usr/lib/postgresql/*/bin "
                    "(Debian package postgresql)";
  }
  std::string error;
  ASSERT_TRUE(server_.Create("records", error)) << error;
}

std::unique_ptr<IRecordStore> PgServerTest::OpenRecords() {
  std::string error;
  std::unique_ptr<IRecordStore> store = OpenLineStore(RecordsUrl(), error);
  EXPECT_NE(store, nullptr) << error;
  return store;
}

void PgServerTest::Sql(const std::string& sql, const std::string& database) {
  std::string error;
  ASSERT_TRUE(server_.Execute(database, sql, error)) << sql << ": " << error;
}

std::string UuidFor(int n) {
  char text[40];
  std::snprintf(text, sizeof text, "00000000-0000-4000-8000-%012d", n);
  return text;
}

UnitRecord MakeRecord(int n, const std::string& station, RecordResult result, const std::string& imei,
                      const std::string& product, const std::string& started) {
  UnitRecord r;
  r.uuid = UuidFor(n);
  r.started = started;
  r.ended = started.substr(0, 17) + "59.999Z";
  r.station = station;
  r.operator_name = "张三";
  r.port = "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0";
  r.tool_version = "0.1.0";
  r.finished_product = true;
  r.items = {"参数配置", "运行测试"};
  r.config_path = "/home/line/配置/s3.cfg";
  r.config_sha256 = std::string(64, 'a');
  r.key_string = "ZRL";
  r.signal_threshold = 15;
  r.software_version = "S3-V2.1.7";
  r.product_written = product;
  r.imei_written = imei;
  r.product_read = product;
  r.imei_read = imei;
  r.identity_lines = {"IMEI Number:" + imei, "Product Number:" + product};
  r.signal = 23;
  r.steps = {{"连接", RecordResult::kPassed, "", 120},
             {"运行测试", result, result == RecordResult::kPassed ? "" : "信号值过低", 4500}};
  r.result = result;
  return r;
}

std::string Describe(const UnitRecord& r) {
  std::ostringstream out;
  const auto list = [&](const char* name, const std::vector<std::string>& items) {
    out << name << ":";
    for (const std::string& item : items) out << " [" << item << "]";
    out << "\n";
  };
  out << "uuid: " << r.uuid << "\nstarted: " << r.started << "\nended: " << r.ended << "\nstation: " << r.station
      << "\noperator: " << r.operator_name << "\nport: " << r.port << "\ntool_version: " << r.tool_version
      << "\nfinished_product: " << r.finished_product << "\n";
  list("items", r.items);
  out << "config_path: " << r.config_path << "\nconfig_sha256: " << r.config_sha256
      << "\nkey_string: " << r.key_string << "\nsignal_threshold: " << r.signal_threshold
      << "\nsoftware_version: " << r.software_version << "\nproduct_written: " << r.product_written
      << "\nimei_written: " << r.imei_written << "\nproduct_read: " << r.product_read
      << "\nimei_read: " << r.imei_read << "\n";
  list("identity_lines", r.identity_lines);
  out << "signal: " << (r.signal ? std::to_string(*r.signal) : "none")
      << "\nduplicate_imei_override: " << r.duplicate_imei_override << "\nresult: " << static_cast<int>(r.result)
      << "\n";
  for (const StepRecord& s : r.steps) {
    out << "step: [" << s.name << "] " << static_cast<int>(s.result) << " [" << s.failure << "] " << s.duration_ms
        << "\n";
  }
  return out.str();
}

std::vector<std::string> Uuids(const std::vector<UnitRecord>& records) {
  std::vector<std::string> uuids;
  for (const UnitRecord& r : records) uuids.push_back(r.uuid);
  return uuids;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

void MemoryForwardQueue::Add(const UnitRecord& record) {
  std::lock_guard lock(mutex_);
  records_.push_back(record);
  forwarded_.push_back(false);
}

std::size_t MemoryForwardQueue::Waiting() const {
  std::lock_guard lock(mutex_);
  std::size_t waiting = 0;
  for (bool done : forwarded_) waiting += done ? 0 : 1;
  return waiting;
}

void MemoryForwardQueue::FailNextMarks(int count) {
  std::lock_guard lock(mutex_);
  fail_marks_ = count;
}

std::optional<std::vector<UnitRecord>> MemoryForwardQueue::Unforwarded(std::size_t limit) {
  std::lock_guard lock(mutex_);
  std::vector<UnitRecord> out;
  for (std::size_t i = 0; i < records_.size() && out.size() < limit; ++i) {
    if (!forwarded_[i]) out.push_back(records_[i]);
  }
  return out;
}

bool MemoryForwardQueue::MarkForwarded(const std::vector<std::string>& uuids) {
  std::lock_guard lock(mutex_);
  if (fail_marks_ > 0) {
    --fail_marks_;
    return false;
  }
  for (const std::string& uuid : uuids) {
    for (std::size_t i = 0; i < records_.size(); ++i) {
      if (records_[i].uuid == uuid) forwarded_[i] = true;
    }
  }
  return true;
}

}  // namespace zt::test
