#include "ui/records/records_chart.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QHorizontalBarSeries>
#include <QtCharts/QStackedBarSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>

#include "records/hour_series.h"
#include "records/record_ids.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"
#include "ui/common/qt_text.h"
#include "ui/records/records_text.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

const QColor kPassedBar(0x1b, 0x8a, 0x2f);
const QColor kFailedBar(0xc6, 0x28, 0x28);
// A failure text on the axis is cut here; the whole text is in the table.
constexpr int kFailureLabelChars = 40;

// "12-08 07时" in local time for a UTC hour "2026-12-07T23".
QString HourLabel(const std::string& hour) {
  const QString local = LocalTimeText(hour + ":00:00Z");
  return local.size() >= 13 ? local.mid(5, 8) + Qs("时"_gbk) : local;
}

QChartView* NewView(QChart* chart, QWidget* parent) {
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->legend()->setAlignment(Qt::AlignBottom);
  auto* view = new QChartView(chart, parent);
  view->setRenderHint(QPainter::Antialiasing);
  return view;
}

void Clear(QChart* chart) {
  chart->removeAllSeries();
  for (QAbstractAxis* axis : chart->axes()) {
    chart->removeAxis(axis);
    delete axis;
  }
}

}  // namespace

RecordsChart::RecordsChart(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("recordsChart"));
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("recordsSummaryLabel"));
  hour_chart_ = new QChart;
  hour_chart_->setTitle(Qs("每小时通过/失败数量"_gbk));
  failure_chart_ = new QChart;
  failure_chart_->setTitle(Qs("最常见的失败原因"_gbk));
  hour_view_ = NewView(hour_chart_, this);
  hour_view_->setObjectName(QStringLiteral("hourChartView"));
  failure_view_ = NewView(failure_chart_, this);
  failure_view_->setObjectName(QStringLiteral("failureChartView"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(hour_view_, 3);
  layout->addWidget(failure_view_, 2);
}

void RecordsChart::Show(const RecordStats& stats, const std::string& since, const std::string& until) {
  hours_ = ContinuousHours(stats.hours, since, until, kMaxHours);
  failures_ = stats.top_failures;
  summary_->setText(Qs(Format("共%lld台  通过%lld  失败%lld  停止%lld  合格率%.1f%%"_gbk,
                              static_cast<long long>(stats.units), static_cast<long long>(stats.passed),
                              static_cast<long long>(stats.failed), static_cast<long long>(stats.stopped),
                              stats.YieldPercent())));
  DrawHours();
  DrawFailures();
}

QString RecordsChart::SummaryText() const { return summary_->text(); }

void RecordsChart::DrawHours() {
  Clear(hour_chart_);
  auto* passed = new QBarSet(Qs("通过"_gbk));
  passed->setColor(kPassedBar);
  auto* failed = new QBarSet(Qs("失败"_gbk));
  failed->setColor(kFailedBar);
  QStringList labels;
  std::int64_t highest = 0;
  for (const HourCount& h : hours_) {
    passed->append(static_cast<qreal>(h.passed));
    failed->append(static_cast<qreal>(h.failed));
    labels << HourLabel(h.hour);
    highest = std::max(highest, h.passed + h.failed);
  }
  auto* series = new QStackedBarSeries;
  series->append(passed);
  series->append(failed);
  hour_chart_->addSeries(series);
  auto* x = new QBarCategoryAxis;
  x->append(labels);
  x->setLabelsAngle(-60);
  auto* y = new QValueAxis;
  y->setRange(0, static_cast<qreal>(std::max<std::int64_t>(highest, 1)));
  y->setLabelFormat(QStringLiteral("%d"));
  y->applyNiceNumbers();
  hour_chart_->addAxis(x, Qt::AlignBottom);
  hour_chart_->addAxis(y, Qt::AlignLeft);
  series->attachAxis(x);
  series->attachAxis(y);
}

void RecordsChart::DrawFailures() {
  Clear(failure_chart_);
  auto* units = new QBarSet(Qs("台数"_gbk));
  units->setColor(kFailedBar);
  QStringList labels;
  std::int64_t highest = 0;
  // A horizontal chart draws its first category at the bottom.
  for (auto f = failures_.rbegin(); f != failures_.rend(); ++f) {
    units->append(static_cast<qreal>(f->units));
    QString label = RecordText(f->text);
    if (label.size() > kFailureLabelChars) label = label.left(kFailureLabelChars - 1) + QChar(0x2026);
    // Two texts cut to the same label stay two bars.
    while (labels.contains(label)) label += QChar(' ');
    labels << label;
    highest = std::max(highest, f->units);
  }
  auto* series = new QHorizontalBarSeries;
  series->append(units);
  failure_chart_->addSeries(series);
  failure_chart_->legend()->setVisible(false);
  auto* y = new QBarCategoryAxis;
  y->append(labels);
  auto* x = new QValueAxis;
  x->setRange(0, static_cast<qreal>(std::max<std::int64_t>(highest, 1)));
  x->setLabelFormat(QStringLiteral("%d"));
  x->applyNiceNumbers();
  failure_chart_->addAxis(y, Qt::AlignLeft);
  failure_chart_->addAxis(x, Qt::AlignBottom);
  series->attachAxis(y);
  series->attachAxis(x);
}

}  // namespace zt::ui
