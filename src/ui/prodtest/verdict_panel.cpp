#include "ui/prodtest/verdict_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include "text/elapsed_text.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/common/ui_font.h"
#include "ui/prodtest/verdict_sound.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

constexpr int kVerdictPixels = 36;
constexpr int kClockMs = 500;

// Seen from a distance: white on a full green or red.
const char* const kPassedStyle = "QLabel { background: #1b8a2f; color: white; }";
const char* const kFailedStyle = "QLabel { background: #c62828; color: white; }";
const char* const kNoVerdictStyle = "QLabel { color: palette(mid); }";
const char* const kDetailStyle = "QLabel { color: #c62828; }";

UnitBoard::Clock::time_point Now() { return UnitBoard::Clock::now(); }

}  // namespace

VerdictPanel::VerdictPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("verdictPanel"));

  step_bar_ = new QProgressBar(this);
  step_bar_->setObjectName(QStringLiteral("unitStepBar"));
  step_bar_->setRange(0, 1);
  step_bar_->setValue(0);
  step_bar_->setTextVisible(true);
  step_bar_->setFormat(QString());
  elapsed_ = new QLabel(this);
  elapsed_->setObjectName(QStringLiteral("unitElapsedLabel"));
  elapsed_->setMinimumWidth(60);

  verdict_ = new QLabel(this);
  verdict_->setObjectName(QStringLiteral("verdictLabel"));
  verdict_->setAlignment(Qt::AlignCenter);
  verdict_->setFont(CjkFont(kVerdictPixels, 700));
  verdict_->setMinimumWidth(160);
  verdict_->setMinimumHeight(kVerdictPixels + 16);
  detail_ = new QLabel(this);
  detail_->setObjectName(QStringLiteral("verdictDetailLabel"));
  detail_->setStyleSheet(QString::fromLatin1(kDetailStyle));
  detail_->setWordWrap(true);
  detail_->setTextFormat(Qt::PlainText);

  tally_ = new QLabel(this);
  tally_->setObjectName(QStringLiteral("unitTallyLabel"));
  sound_box_ = new QCheckBox(Qs("声音提示"_gbk), this);
  sound_box_->setObjectName(QStringLiteral("verdictSoundBox"));
  sound_box_->setChecked(true);

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(step_bar_, 0, 0);
  layout->addWidget(elapsed_, 0, 1);
  layout->addWidget(verdict_, 0, 2, 2, 1);
  layout->addWidget(detail_, 1, 0, 1, 2);
  layout->addWidget(tally_, 2, 0);
  layout->addWidget(sound_box_, 2, 1, 1, 2, Qt::AlignRight);
  layout->setColumnStretch(0, 1);

  clock_ = new QTimer(this);
  clock_->setInterval(kClockMs);
  connect(clock_, &QTimer::timeout, this, &VerdictPanel::RedrawClock);
  connect(sound_box_, &QCheckBox::clicked, this, [this](bool on) { emit soundToggled(on); });
  play_ = &PlayVerdictSound;
  Redraw();
}

void VerdictPanel::StepStarted(const UnitStep& step) {
  board_.StepStarted(step, Now());
  Redraw();
}

void VerdictPanel::Passed() {
  board_.Passed(Now());
  Redraw();
  Sound(UnitVerdict::kPassed);
}

void VerdictPanel::Failed(std::string_view gbk_failure) {
  board_.Failed(gbk_failure, Now());
  Redraw();
  Sound(UnitVerdict::kFailed);
}

void VerdictPanel::RunEnded() {
  board_.RunEnded(Now());
  Redraw();
}

void VerdictPanel::SetSoundOn(bool on) { sound_box_->setChecked(on); }

void VerdictPanel::Sound(UnitVerdict verdict) {
  if (sound_box_->isChecked() && play_) play_(verdict);
}

QString VerdictPanel::StepText() const { return step_bar_->format(); }
QString VerdictPanel::VerdictText() const { return verdict_->text(); }
QString VerdictPanel::DetailText() const { return detail_->text(); }
QString VerdictPanel::ElapsedText() const { return elapsed_->text(); }
QString VerdictPanel::TallyText() const { return tally_->text(); }

void VerdictPanel::Redraw() {
  if (const std::optional<UnitStep>& step = board_.Step()) {
    step_bar_->setRange(0, step->count);
    // The steps before the one running are done; all of them once the unit passed.
    step_bar_->setValue(board_.Verdict() == UnitVerdict::kPassed ? step->count : step->number - 1);
    step_bar_->setFormat(Qs(UnitStepText(*step)));
  }
  switch (board_.Verdict()) {
    case UnitVerdict::kNone:
      verdict_->setText(QString());
      verdict_->setStyleSheet(QString::fromLatin1(kNoVerdictStyle));
      break;
    case UnitVerdict::kPassed:
      verdict_->setText(Qs(UnitVerdictText(UnitVerdict::kPassed)));
      verdict_->setStyleSheet(QString::fromLatin1(kPassedStyle));
      break;
    case UnitVerdict::kFailed:
      verdict_->setText(Qs(UnitVerdictText(UnitVerdict::kFailed)));
      verdict_->setStyleSheet(QString::fromLatin1(kFailedStyle));
      break;
  }
  // What came from the unit is shown escaped.
  detail_->setText(QsEscaped(board_.Detail()));
  tally_->setText(Qs(UnitTallyText(board_.PassedUnits(), board_.FailedUnits())));
  if (board_.ClockRunning()) {
    clock_->start();
  } else {
    clock_->stop();
  }
  RedrawClock();
}

void VerdictPanel::RedrawClock() {
  if (!board_.Step()) {
    elapsed_->setText(QString());
    return;
  }
  elapsed_->setText(QString::fromStdString(zt::ElapsedText(board_.Elapsed(Now()))));
}

}  // namespace zt::ui
