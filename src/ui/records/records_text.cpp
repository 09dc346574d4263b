#include "ui/records/records_text.h"

#include <chrono>
#include <cstdio>

#include "records/record_ids.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

std::int64_t EpochMs(std::chrono::system_clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
}

}  // namespace

QString RecordText(const std::string& utf8) {
  std::string shown;
  shown.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    const bool c1 = byte == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(utf8[i + 1]) <= 0x9F;
    if (byte < 0x20 || byte == 0x7F || c1) {
      char escaped[16];
      if (c1) {
        std::snprintf(escaped, sizeof escaped, "\\xC2\\x%02X", static_cast<unsigned char>(utf8[++i]));
      } else {
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      }
      shown += escaped;
    } else {
      shown += utf8[i];
    }
  }
  return QString::fromStdString(shown);
}

QString LocalTimeText(const std::string& iso) {
  const auto t = ParseIsoUtc(iso);
  if (!t) return RecordText(iso);
  return QDateTime::fromMSecsSinceEpoch(EpochMs(*t)).toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

std::string IsoOfDateTime(const QDateTime& t) {
  return IsoUtc(std::chrono::system_clock::time_point(std::chrono::milliseconds(t.toMSecsSinceEpoch())));
}

QString ResultText(RecordResult result) {
  switch (result) {
    case RecordResult::kPassed:
      return Qs("通过"_gbk);
    case RecordResult::kFailed:
      return Qs("失败"_gbk);
    case RecordResult::kStopped:
      break;
  }
  return Qs("停止"_gbk);
}

QString DurationText(const std::string& started, const std::string& ended) {
  const auto from = ParseIsoUtc(started);
  const auto to = ParseIsoUtc(ended);
  if (!from || !to) return {};
  return QString::number(static_cast<double>(EpochMs(*to) - EpochMs(*from)) / 1000.0, 'f', 1) +
         QStringLiteral(" s");
}

}  // namespace zt::ui
