// The production-test page's view of the unit on the bench: a bar of its
// steps ("步骤 2/4: 参数配置"), the unit's time, and at its end a large
// verdict, green "通过" or red "失败" with the failure text, that stays
// until the next unit begins. Under them the counts of passed and failed
// units since the page opened, over every run, single or continuous, and
// the "声音提示" box: a verdict sounds unless it is unticked.
//
// The page hands the run's unit reports over in order (UnitBoard decides
// what they mean); the panel only draws the board.
//
// UI thread only.
#pragma once

#include <QWidget>
#include <functional>
#include <string_view>

#include "prodtest/step_progress.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QTimer;

namespace zt::ui {

class VerdictPanel : public QWidget {
  Q_OBJECT

 public:
  explicit VerdictPanel(QWidget* parent);

  void StepStarted(const UnitStep& step);
  void Passed();
  void Failed(std::string_view gbk_failure);
  // The run ended without a verdict for the unit under test.
  void RunEnded();

  // The "声音提示" box; SetSoundOn does not count as the operator's change.
  QCheckBox* SoundBox() const { return sound_box_; }
  void SetSoundOn(bool on);
  // How a verdict sounds (VerdictSound by default); tests replace it.
  using SoundPlayer = std::function<void(UnitVerdict)>;
  void SetSoundPlayer(SoundPlayer player) { play_ = std::move(player); }

  const UnitBoard& Board() const { return board_; }
  QString StepText() const;
  QString VerdictText() const;
  QString DetailText() const;
  QString ElapsedText() const;
  QString TallyText() const;

 signals:
  // The operator ticked or unticked "声音提示".
  void soundToggled(bool on);

 private:
  void Redraw();
  void RedrawClock();
  void Sound(UnitVerdict verdict);

  UnitBoard board_;
  QProgressBar* step_bar_ = nullptr;
  QLabel* elapsed_ = nullptr;
  QLabel* verdict_ = nullptr;
  QLabel* detail_ = nullptr;
  QLabel* tally_ = nullptr;
  QCheckBox* sound_box_ = nullptr;
  QTimer* clock_ = nullptr;
  SoundPlayer play_;
};

}  // namespace zt::ui
