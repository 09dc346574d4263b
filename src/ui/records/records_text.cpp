#include "ui/records/records_text.h"

#include <chrono>

#include "records/record_ids.h"
#include "text/gbk_literal.h"
#include "text/utf8_escape.h"
#include "ui/common/qt_text.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

std::int64_t EpochMs(std::chrono::system_clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
}

}  // namespace

QString RecordText(const std::string& utf8) { return QString::fromStdString(EscapeUtf8Controls(utf8)); }

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
