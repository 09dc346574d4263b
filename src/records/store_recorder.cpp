#include "records/store_recorder.h"

#include "prodtest/step_progress.h"
#include "records/line_store.h"
#include "records/record_ids.h"
#include "serial/port_list.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"

namespace zt {

using namespace zt::literals;

namespace {

RecordResult ResultOf(UnitEnd end) {
  switch (end) {
    case UnitEnd::kPassed:
      return RecordResult::kPassed;
    case UnitEnd::kFailed:
      return RecordResult::kFailed;
    case UnitEnd::kStopped:
      return RecordResult::kStopped;
  }
  return RecordResult::kStopped;
}

// A failure text as one line: the run's text often ends in a line end.
std::string OneLine(std::string_view gbk) {
  std::string text = GbkToUtf8Escaped(gbk);
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string StablePortName(const std::string& port_name) {
  const std::vector<PortInfo> ports = ListPorts();
  const PortInfo* port = FindPort(ports, port_name);
  return port != nullptr && !port->stable_name.empty() ? port->stable_name : port_name;
}

UnitRecord RecordOfReport(const UnitReport& report, const RecorderIdentity& who, const std::string& port) {
  UnitRecord r;
  r.uuid = NewRecordUuid();
  r.started = IsoUtc(report.started);
  r.ended = IsoUtc(report.ended);
  r.station = who.station;
  r.operator_name = who.operator_name;
  r.port = port;
  r.tool_version = who.tool_version;
  r.finished_product = report.finished_product;
  // The items by the names of their steps on the page.
  if (report.configure_item) r.items.push_back(GbkToUtf8(UnitStageName(UnitStage::kConfigure)));
  if (report.upgrade_item) r.items.push_back(GbkToUtf8(UnitStageName(UnitStage::kUpgrade)));
  if (report.run_test_item) r.items.push_back(GbkToUtf8(UnitStageName(UnitStage::kRunTest)));
  r.config_path = report.config_file;  // file-system bytes: UTF-8 on this system
  if (!report.config_file.empty()) r.config_sha256 = FileSha256(report.config_file).value_or("");
  r.key_string = GbkToUtf8Escaped(report.key_string);
  r.signal_threshold = report.signal_threshold;
  r.software_version = GbkToUtf8Escaped(report.software_version);
  r.product_written = GbkToUtf8Escaped(report.product_written);
  r.imei_written = GbkToUtf8Escaped(report.imei_written);
  r.product_read = GbkToUtf8Escaped(report.readings.product_read);
  r.imei_read = GbkToUtf8Escaped(report.readings.imei_read);
  for (const std::string& line : report.readings.identity_lines) r.identity_lines.push_back(GbkToUtf8Escaped(line));
  r.signal = report.readings.signal;
  r.duplicate_imei_override = report.duplicate_imei_override;
  for (const UnitStepReport& step : report.steps) {
    r.steps.push_back(StepRecord{GbkToUtf8(step.name), ResultOf(step.result),
                                 step.result == UnitEnd::kFailed ? OneLine(step.failure) : std::string(),
                                 step.duration_ms});
  }
  r.result = ResultOf(report.result);
  return r;
}

std::string RecordNotWrittenLine(const std::string& why_utf8) {
  return std::string("测试记录写入失败: "_gbk) + Utf8ToGbkLossy(why_utf8);
}

StoreUnitRecorder::StoreUnitRecorder(SqliteRecordStore* store, std::string open_error, RecorderIdentity who)
    : store_(store), open_error_(std::move(open_error)), who_(std::move(who)) {
  if (store_ != nullptr) writer_ = std::thread(&StoreUnitRecorder::WriterThread, this);
}

StoreUnitRecorder::~StoreUnitRecorder() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (writer_.joinable()) writer_.join();
}

void StoreUnitRecorder::WriterThread() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping, and everything is written
    std::vector<UnitRecord> batch;
    batch.swap(queue_);
    lock.unlock();
    std::vector<std::string> failed;
    std::string last;
    std::uint64_t number = done_;
    for (const UnitRecord& record : batch) {
      ++number;
      if (store_->Append(record)) {
        last = record.uuid;
      } else {
        failed.push_back(RecordNotWrittenLine(store_->LastError()));
      }
    }
    if (!last.empty() && after_write_) after_write_();
    lock.lock();
    done_ = number;
    if (!last.empty()) last_uuid_ = last;
    failures_.insert(failures_.end(), failed.begin(), failed.end());
    changed_.notify_all();
  }
}

bool StoreUnitRecorder::UnitStarting(const std::string& port_name) {
  // The port's stable name is looked up once, before a unit waits on it.
  if (port_name != port_name_) {
    port_name_ = port_name;
    stable_port_ = StablePortName(port_name);
  }
  // Before the unit: the records of the units before are in the store, so
  // that the duplicate-IMEI question sees them.
  Flush(std::chrono::seconds(1));
  if (!who_.required) return true;
  return store_ != nullptr && store_->Writable();
}

std::string StoreUnitRecorder::UnitEnded(const UnitReport& report) {
  if (store_ == nullptr) return RecordNotWrittenLine(open_error_);
  const std::string port = report.port_name == port_name_ ? stable_port_ : report.port_name;
  UnitRecord record = RecordOfReport(report, who_, port);
  std::unique_lock lock(mutex_);
  const std::uint64_t number = ++handed_;
  queue_.push_back(std::move(record));
  changed_.notify_all();
  changed_.wait_for(lock, kRecordWait, [&] { return done_ >= number; });
  // This unit's failure when it is known now, and earlier ones not told yet.
  std::string lines;
  for (const std::string& line : failures_) lines += (lines.empty() ? "" : "\r\n") + line;
  failures_.clear();
  return lines;
}

bool StoreUnitRecorder::Flush(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [this] { return done_ >= handed_; });
}

std::vector<std::string> StoreUnitRecorder::TakeNotices() {
  std::lock_guard lock(mutex_);
  std::vector<std::string> lines;
  lines.swap(failures_);
  return lines;
}

std::string StoreUnitRecorder::LastUuid() const {
  std::lock_guard lock(mutex_);
  return last_uuid_;
}

std::optional<std::string> StoreImeiGuard::EarlierUse(const std::string& imei, const std::string& product,
                                                      std::string& note) {
  std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < stores_.size(); ++i) {
    IRecordStore* store = stores_[i];
    if (store == nullptr) continue;
    if (i > 0 && line_known_down_ && line_known_down_()) {
      note = std::string("产线测试记录库暂不可用，仅查询了本机测试记录"_gbk);
      continue;
    }
    bool error = false;
    const std::optional<ImeiUse> use = store->PassedWithImeiOtherThan(GbkToUtf8(imei), GbkToUtf8(product), error);
    if (error) {
      note = std::string("无法查询测试记录: "_gbk) + Utf8ToGbkLossy(store->LastError());
      continue;
    }
    if (use) {
      return Format("IMEI号 %s 已用于产品 %s（%s，%s）"_gbk, imei, Utf8ToGbkLossy(use->product),
                    Utf8ToGbkLossy(use->ended), Utf8ToGbkLossy(use->station));
    }
  }
  return std::nullopt;
}

StationRecords::StationRecords(const Setup& setup) {
  local_ = SqliteRecordStore::Open(setup.records_file, local_error_);
  const std::string url = setup.url.empty() ? setup.settings.url : setup.url;
  if (!url.empty()) line_ = OpenLineStore(url, line_error_);
  who_ = RecorderIdentity{setup.settings.station,
                          setup.operator_name.empty() ? setup.settings.operator_name : setup.operator_name,
                          setup.tool_version, setup.settings.required};
  // Records go to the local store first; the forwarder takes them on to the
  // line's database, now or once it can be reached again.
  if (!url.empty() && local_) {
    forwarder_ = std::make_unique<RecordForwarder>(*local_, LineStoreFactoryFor(url));
    forwarder_->Start();
  }
  recorder_ = NewRecorder();
  // The line is asked only while the forwarder is not known to have lost it.
  RecordForwarder* forwarder = forwarder_.get();
  guard_ = std::make_unique<StoreImeiGuard>(
      std::vector<IRecordStore*>{local_.get(), line_.get()}, [forwarder] {
        if (forwarder == nullptr) return false;
        const ForwarderStatus status = forwarder->Status();
        return !status.connected && !status.last_error.empty();
      });
}

void StationRecords::FinishForwarding(std::chrono::milliseconds limit) {
  if (!forwarder_) return;
  const auto until = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < until) {
    const std::optional<std::vector<UnitRecord>> waiting = local_->Unforwarded(1);
    if (!waiting || waiting->empty()) return;
    const ForwarderStatus status = forwarder_->Status();
    if (!status.connected && !status.last_error.empty()) return;  // the line is down: the records wait
    forwarder_->Wake();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

std::unique_ptr<StoreUnitRecorder> StationRecords::NewRecorder() {
  auto recorder = std::make_unique<StoreUnitRecorder>(local_.get(), local_error_, who_);
  if (RecordForwarder* forwarder = forwarder_.get()) recorder->SetAfterWrite([forwarder] { forwarder->Wake(); });
  return recorder;
}

}  // namespace zt
