// How the records page writes a record's values: records hold UTF-8 (what a
// unit said among it) and UTC ISO times; the page shows local times and
// every control character as \xNN, so that nothing a unit said breaks a
// row or a line of the detail pane.
#pragma once

#include <QDateTime>
#include <QString>
#include <string>

#include "records/unit_record.h"

namespace zt::ui {

// A record's UTF-8 text as shown (C0, DEL and C1 controls as \xNN).
QString RecordText(const std::string& utf8);

// A record's UTC ISO time as local time "2026-12-08 07:41:05"; the text
// itself (escaped) when it does not read as a time.
QString LocalTimeText(const std::string& iso);

// A time of a date-time edit as the UTC ISO text a filter compares with.
std::string IsoOfDateTime(const QDateTime& t);

// "通过", "失败", "停止".
QString ResultText(RecordResult result);

// How long the unit took ("12.3 s"); empty when a time does not read.
QString DurationText(const std::string& started, const std::string& ended);

}  // namespace zt::ui
