#include "records/record_export.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "prodtest/step_progress.h"
#include "records/record_ids.h"
#include "text/gbk.h"

namespace zt {
namespace {

using nlohmann::json;

std::string Dump(const json& value, int indent = -1) {
  return value.dump(indent, ' ', false, json::error_handler_t::replace);
}

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (const std::string& item : items) {
    if (!out.empty()) out += separator;
    out += item;
  }
  return out;
}

// Control bytes as \xNN; line ends go first where the caller says so.
std::string Visible(const std::string& text, bool drop_line_ends = false) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (drop_line_ends && (c == '\r' || c == '\n')) continue;
    if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"") == std::string::npos) return text;
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

const StepRecord* FailedStep(const UnitRecord& r) {
  for (const StepRecord& s : r.steps) {
    if (s.result == RecordResult::kFailed) return &s;
  }
  return nullptr;
}

json StepJson(const StepRecord& s) {
  return json{{"name", s.name},
              {"result", RecordResultToken(s.result)},
              {"failure", s.failure},
              {"duration_ms", s.duration_ms}};
}

json RecordJson(const UnitRecord& r) {
  json steps = json::array();
  for (const StepRecord& s : r.steps) steps.push_back(StepJson(s));
  return json{{"uuid", r.uuid},
              {"started", r.started},
              {"ended", r.ended},
              {"station", r.station},
              {"operator", r.operator_name},
              {"port", r.port},
              {"tool_version", r.tool_version},
              {"test_type", r.finished_product ? "finished" : "semi-finished"},
              {"items", r.items},
              {"config_path", r.config_path},
              {"config_sha256", r.config_sha256},
              {"key_string", r.key_string},
              {"signal_threshold", r.signal_threshold},
              {"software_version", r.software_version},
              {"product_written", r.product_written},
              {"imei_written", r.imei_written},
              {"product_read", r.product_read},
              {"imei_read", r.imei_read},
              {"identity_lines", r.identity_lines},
              {"signal", r.signal ? json(*r.signal) : json()},
              {"duplicate_imei_override", r.duplicate_imei_override},
              {"steps", std::move(steps)},
              {"result", RecordResultToken(r.result)}};
}

// ---- OCP --------------------------------------------------------------------

constexpr const char* kRunName = "zereltool production test";

std::string Product(const UnitRecord& r) { return r.product_written.empty() ? r.product_read : r.product_written; }
std::string Imei(const UnitRecord& r) { return r.imei_written.empty() ? r.imei_read : r.imei_written; }

// Adds milliseconds to an ISO time as IsoUtc writes it; the text as it is
// when it is not one.
std::string Later(const std::string& iso, std::int64_t ms) {
  const auto t = ParseIsoUtc(iso);
  return t ? IsoUtc(*t + std::chrono::milliseconds(ms)) : iso;
}

class OcpWriter {
 public:
  explicit OcpWriter(std::string& out) : out_(out) {}
  void Line(json artifact, const std::string& timestamp) {
    artifact["sequenceNumber"] = sequence_++;
    artifact["timestamp"] = timestamp;
    out_ += Dump(artifact);
    out_ += '\n';
  }

 private:
  std::string& out_;
  std::int64_t sequence_ = 0;
};

const char* StepStatus(RecordResult r) {
  switch (r) {
    case RecordResult::kPassed:
      return "COMPLETE";
    case RecordResult::kFailed:
      return "ERROR";
    case RecordResult::kStopped:
      return "SKIP";
  }
  return "SKIP";
}

void WriteOcpRecord(const UnitRecord& r, std::string& out) {
  OcpWriter w(out);
  w.Line(json{{"schemaVersion", {{"major", 2}, {"minor", 0}}}}, r.started);
  json software = json::array();
  if (!r.software_version.empty()) {
    software.push_back(
        {{"softwareInfoId", "spsv"}, {"name", "DTU firmware"}, {"version", r.software_version}, {"softwareType", "FIRMWARE"}});
  }
  json parameters = {{"uuid", r.uuid},
                     {"station", r.station},
                     {"operator", r.operator_name},
                     {"port", r.port},
                     {"test_type", r.finished_product ? "finished" : "semi-finished"},
                     {"items", r.items},
                     {"config_path", r.config_path},
                     {"config_sha256", r.config_sha256},
                     {"key_string", r.key_string},
                     {"signal_threshold", r.signal_threshold},
                     {"duplicate_imei_override", r.duplicate_imei_override}};
  json metadata = {{"product_read", r.product_read},
                   {"imei_read", r.imei_read},
                   {"identity_lines", r.identity_lines}};
  w.Line(json{{"testRunArtifact",
               {{"testRunStart",
                 {{"name", kRunName},
                  {"version", r.tool_version},
                  {"commandLine", ""},
                  {"parameters", std::move(parameters)},
                  {"metadata", std::move(metadata)},
                  {"dutInfo",
                   {{"dutInfoId", Imei(r)},
                    {"name", Product(r)},
                    {"platformInfos", json::array()},
                    {"softwareInfos", std::move(software)},
                    {"hardwareInfos", json::array()}}}}}}}},
         r.started);

  // The signal belongs to the run test; without one, to the last step.
  const std::string run_test = GbkToUtf8(UnitStageName(UnitStage::kRunTest));
  std::size_t signal_step = r.steps.size();
  for (std::size_t i = 0; i < r.steps.size(); ++i) {
    if (r.steps[i].name == run_test) signal_step = i;
  }
  if (signal_step == r.steps.size() && !r.steps.empty()) signal_step = r.steps.size() - 1;

  std::int64_t elapsed = 0;
  for (std::size_t i = 0; i < r.steps.size(); ++i) {
    const StepRecord& s = r.steps[i];
    const std::string id = std::to_string(i);
    const std::string began = Later(r.started, elapsed);
    elapsed += s.duration_ms;
    const std::string ended = Later(r.started, elapsed);
    const auto step_line = [&](json body, const std::string& at) {
      body["testStepId"] = id;
      w.Line(json{{"testStepArtifact", std::move(body)}}, at);
    };
    step_line(json{{"testStepStart", {{"name", s.name}}}}, began);
    if (i == signal_step && r.signal) {
      step_line(json{{"measurement",
                      {{"name", "signal"},
                       {"unit", "CSQ"},
                       {"value", *r.signal},
                       {"validators",
                        json::array({{{"name", "signal threshold"},
                                      {"type", "GREATER_THAN_OR_EQUAL"},
                                      {"value", r.signal_threshold}}})}}}},
                ended);
    }
    if (s.result == RecordResult::kFailed) {
      step_line(json{{"error", {{"symptom", "step-failed"}, {"message", s.failure.empty() ? s.name : s.failure}}}},
                ended);
    }
    if (s.result != RecordResult::kStopped) {
      const bool passed = s.result == RecordResult::kPassed;
      step_line(json{{"diagnosis",
                      {{"verdict", passed ? "step-passed" : "step-failed"}, {"type", passed ? "PASS" : "FAIL"}}}},
                ended);
    }
    step_line(json{{"testStepEnd", {{"status", StepStatus(s.result)}}}}, ended);
  }

  const char* status = r.result == RecordResult::kStopped ? "SKIP" : "COMPLETE";
  const char* result = r.result == RecordResult::kPassed   ? "PASS"
                       : r.result == RecordResult::kFailed ? "FAIL"
                                                           : "NOT_APPLICABLE";
  w.Line(json{{"testRunArtifact", {{"testRunEnd", {{"status", status}, {"result", result}}}}}}, r.ended);
}

}  // namespace

std::string RecordsCsv(const std::vector<UnitRecord>& records) {
  static const char* const kHeader[] = {
      "uuid", "started", "ended", "station", "operator", "port", "tool_version", "test_type", "items",
      "config_path", "config_sha256", "key_string", "signal_threshold", "software_version", "product_written",
      "imei_written", "product_read", "imei_read", "signal", "duplicate_imei_override", "result", "failed_step",
      "failure", "steps", "identity_lines"};
  std::string out;
  for (const char* name : kHeader) {
    if (!out.empty()) out += ',';
    out += name;
  }
  out += "\r\n";
  for (const UnitRecord& r : records) {
    const StepRecord* failed = FailedStep(r);
    std::vector<std::string> steps;
    for (const StepRecord& s : r.steps) {
      steps.push_back(s.name + ":" + RecordResultToken(s.result) + ":" + std::to_string(s.duration_ms) + "ms");
    }
    std::vector<std::string> identity;
    for (const std::string& line : r.identity_lines) identity.push_back(Visible(line, true));
    const std::string fields[] = {r.uuid,
                                  r.started,
                                  r.ended,
                                  r.station,
                                  r.operator_name,
                                  r.port,
                                  r.tool_version,
                                  r.finished_product ? "finished" : "semi-finished",
                                  Joined(r.items, "; "),
                                  r.config_path,
                                  r.config_sha256,
                                  r.key_string,
                                  std::to_string(r.signal_threshold),
                                  r.software_version,
                                  r.product_written,
                                  r.imei_written,
                                  r.product_read,
                                  r.imei_read,
                                  r.signal ? std::to_string(*r.signal) : std::string(),
                                  r.duplicate_imei_override ? "1" : "0",
                                  RecordResultToken(r.result),
                                  failed != nullptr ? failed->name : std::string(),
                                  failed != nullptr ? failed->failure : std::string(),
                                  Joined(steps, "; "),
                                  Joined(identity, "; ")};
    bool first = true;
    for (const std::string& field : fields) {
      if (!first) out += ',';
      first = false;
      out += CsvField(Visible(field));
    }
    out += "\r\n";
  }
  return out;
}

std::string RecordsJson(const std::vector<UnitRecord>& records) {
  json list = json::array();
  for (const UnitRecord& r : records) list.push_back(RecordJson(r));
  return Dump(list, 2) + "\n";
}

std::string RecordsOcp(const std::vector<UnitRecord>& records) {
  std::string out;
  for (const UnitRecord& r : records) WriteOcpRecord(r, out);
  return out;
}

}  // namespace zt
