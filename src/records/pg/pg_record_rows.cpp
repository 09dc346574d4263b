#include "records/pg/pg_record_rows.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cstdint>

namespace zt::pg {
namespace {

std::optional<RecordResult> ResultFromColumnText(const std::string& text) {
  if (text == "passed") return RecordResult::kPassed;
  if (text == "failed") return RecordResult::kFailed;
  if (text == "stopped") return RecordResult::kStopped;
  return std::nullopt;
}

std::string Bool(bool value) { return value ? "true" : "false"; }

std::string JsonText(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string TextListJson(const std::vector<std::string>& texts) {
  nlohmann::json list = nlohmann::json::array();
  for (const std::string& text : texts) list.push_back(StorableText(text));
  return JsonText(list);
}

// Steps as [[name, result, failure, duration_ms], ...], in the order they ran.
std::string StepsJson(const std::vector<StepRecord>& steps) {
  nlohmann::json list = nlohmann::json::array();
  for (const StepRecord& step : steps) {
    list.push_back({StorableText(step.name), ResultColumnText(step.result), StorableText(step.failure),
                    step.duration_ms});
  }
  return JsonText(list);
}

bool ParseTextList(const std::string& json_text, std::vector<std::string>& out) {
  const nlohmann::json list = nlohmann::json::parse(json_text, nullptr, false);
  if (!list.is_array()) return false;
  for (const nlohmann::json& item : list) {
    if (!item.is_string()) return false;
    out.push_back(item.get<std::string>());
  }
  return true;
}

bool ParseSteps(const std::string& json_text, std::vector<StepRecord>& out) {
  const nlohmann::json list = nlohmann::json::parse(json_text, nullptr, false);
  if (!list.is_array()) return false;
  for (const nlohmann::json& item : list) {
    if (!item.is_array() || item.size() != 4 || !item[0].is_string() || !item[1].is_string() ||
        !item[2].is_string() || !item[3].is_number_integer()) {
      return false;
    }
    const std::optional<RecordResult> result = ResultFromColumnText(item[1].get<std::string>());
    if (!result) return false;
    out.push_back({item[0].get<std::string>(), *result, item[2].get<std::string>(), item[3].get<std::int64_t>()});
  }
  return true;
}

bool ParseInt32(const std::string& text, std::int32_t& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end;
}

// The columns of kRecordColumnsSql, in order.
enum Column {
  kUuid, kStarted, kEnded, kStation, kOperator, kPort, kToolVersion, kFinishedProduct, kItems,
  kConfigPath, kConfigSha256, kKeyString, kSignalThreshold, kSoftwareVersion, kProductWritten,
  kImeiWritten, kProductRead, kImeiRead, kIdentityLines, kSignal, kDuplicateOverride, kResult, kSteps,
};

}  // namespace

const char* ResultColumnText(RecordResult result) {
  switch (result) {
    case RecordResult::kPassed: return "passed";
    case RecordResult::kFailed: return "failed";
    case RecordResult::kStopped: return "stopped";
  }
  return "stopped";
}

const char* const kInsertRecordSql = R"sql(
WITH inserted AS (
  INSERT INTO records (uuid, started, ended, station, operator_name, port, tool_version, finished_product,
                       items, config_path, config_sha256, key_string, signal_threshold, software_version,
                       product_written, imei_written, product_read, imei_read, identity_lines, signal,
                       duplicate_imei_override, result)
  VALUES ($1, $2, $3, $4, $5, $6, $7, $8::boolean, $9::jsonb, $10, $11, $12, $13::integer, $14, $15, $16,
          $17, $18, $19::jsonb, $20::integer, $21::boolean, $22)
  ON CONFLICT (uuid) DO NOTHING
  RETURNING uuid)
INSERT INTO steps (record_uuid, position, name, result, failure, duration_ms)
SELECT inserted.uuid, (step.ordinality - 1)::integer, step.value->>0, step.value->>1, step.value->>2,
       (step.value->>3)::bigint
FROM inserted, jsonb_array_elements($23::jsonb) WITH ORDINALITY AS step(value, ordinality)
)sql";

std::vector<Param> InsertRecordParams(const UnitRecord& r) {
  return {
      StorableText(r.uuid), StorableText(r.started), StorableText(r.ended), StorableText(r.station),
      StorableText(r.operator_name), StorableText(r.port), StorableText(r.tool_version), Bool(r.finished_product),
      TextListJson(r.items), StorableText(r.config_path), StorableText(r.config_sha256),
      StorableText(r.key_string), std::to_string(r.signal_threshold), StorableText(r.software_version),
      StorableText(r.product_written), StorableText(r.imei_written), StorableText(r.product_read),
      StorableText(r.imei_read), TextListJson(r.identity_lines),
      r.signal ? Param(std::to_string(*r.signal)) : Param(std::nullopt), Bool(r.duplicate_imei_override),
      ResultColumnText(r.result), StepsJson(r.steps),
  };
}

const char* const kRecordColumnsSql = R"sql(
r.uuid, r.started, r.ended, r.station, r.operator_name, r.port, r.tool_version, r.finished_product,
r.items::text, r.config_path, r.config_sha256, r.key_string, r.signal_threshold, r.software_version,
r.product_written, r.imei_written, r.product_read, r.imei_read, r.identity_lines::text, r.signal,
r.duplicate_imei_override, r.result,
COALESCE((SELECT jsonb_agg(jsonb_build_array(s.name, s.result, s.failure, s.duration_ms) ORDER BY s.position)
          FROM steps s WHERE s.record_uuid = r.uuid), '[]'::jsonb)::text
)sql";

std::optional<UnitRecord> RecordFromRow(const PGresult* res, int row, std::string& error) {
  const auto text = [&](Column c) { return Text(res, row, c); };
  UnitRecord r;
  r.uuid = text(kUuid);
  r.started = text(kStarted);
  r.ended = text(kEnded);
  r.station = text(kStation);
  r.operator_name = text(kOperator);
  r.port = text(kPort);
  r.tool_version = text(kToolVersion);
  r.finished_product = text(kFinishedProduct) == "t";
  r.config_path = text(kConfigPath);
  r.config_sha256 = text(kConfigSha256);
  r.key_string = text(kKeyString);
  r.software_version = text(kSoftwareVersion);
  r.product_written = text(kProductWritten);
  r.imei_written = text(kImeiWritten);
  r.product_read = text(kProductRead);
  r.imei_read = text(kImeiRead);
  r.duplicate_imei_override = text(kDuplicateOverride) == "t";
  bool ok = ParseInt32(text(kSignalThreshold), r.signal_threshold) && ParseTextList(text(kItems), r.items) &&
            ParseTextList(text(kIdentityLines), r.identity_lines) && ParseSteps(text(kSteps), r.steps);
  if (ok && !IsNull(res, row, kSignal)) {
    std::int32_t signal = 0;
    ok = ParseInt32(text(kSignal), signal);
    r.signal = signal;
  }
  const std::optional<RecordResult> result = ResultFromColumnText(text(kResult));
  if (!ok || !result) {
    error = "the line's database holds a record that cannot be read: " + r.uuid;
    return std::nullopt;
  }
  r.result = *result;
  return r;
}

}  // namespace zt::pg
