// The records page's charts: passed and failed units per hour of the
// period, as stacked bars (every hour of the period, the empty ones too),
// and the most frequent failure texts as horizontal bars, most frequent on
// top.
//
// UI thread only.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "records/record_stats.h"

class QChart;
class QChartView;
class QLabel;

namespace zt::ui {

class RecordsChart : public QWidget {
  Q_OBJECT

 public:
  // At most this many hours are drawn one by one (two weeks); a longer
  // period shows only the hours with units.
  static constexpr std::size_t kMaxHours = 14 * 24;

  explicit RecordsChart(QWidget* parent);

  // Draws the statistics of the period [since, until) (UTC ISO texts,
  // either may be empty).
  void Show(const RecordStats& stats, const std::string& since, const std::string& until);

  // What is drawn: the hours (UTC, oldest first) and the failure texts.
  const std::vector<HourCount>& Hours() const { return hours_; }
  const std::vector<FailureCount>& Failures() const { return failures_; }
  QChart* HourChart() const { return hour_chart_; }
  QChart* FailureChart() const { return failure_chart_; }
  QString SummaryText() const;

 private:
  void DrawHours();
  void DrawFailures();

  std::vector<HourCount> hours_;
  std::vector<FailureCount> failures_;
  QLabel* summary_ = nullptr;
  QChart* hour_chart_ = nullptr;
  QChart* failure_chart_ = nullptr;
  QChartView* hour_view_ = nullptr;
  QChartView* failure_view_ = nullptr;
};

}  // namespace zt::ui
