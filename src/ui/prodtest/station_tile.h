// One port's tile on the several-ports test page: the port's name, its state
// in large letters ("空闲", "测试中: <step>", "通过", "失败: <text>"), the
// unit's time, the numbers of the last unit asked for them, the counts of
// passed and failed units, and Start / Stop for this port alone. The tile is
// green for a passed unit and red for a failed one, so that the line's state
// reads from across the room.
//
// UI thread only.
#pragma once

#include <QColor>
#include <QFrame>
#include <QString>

#include "prodtest/station_board.h"

class QLabel;
class QPushButton;

namespace zt::ui {

class StationTile : public QFrame {
  Q_OBJECT

 public:
  // The backgrounds by state; idle and testing keep the window's own.
  static QColor PassedColour() { return QColor(0x3c, 0xb3, 0x4b); }
  static QColor FailedColour() { return QColor(0xe0, 0x3c, 0x3c); }

  StationTile(const QString& port_label, QWidget* parent);

  // Draws the snapshot; `running` says whether the port's run is active
  // (Start and Stop follow it).
  void Show(const StationSnapshot& snapshot, bool running);
  // Start and Stop may be used (false while the page stops every port).
  void SetButtonsAllowed(bool allowed);

  QString PortLabel() const { return port_label_; }
  QString StateText() const;
  StationState State() const { return state_; }
  // The background drawn now.
  QColor Background() const;
  QPushButton* StartButton() const { return start_; }
  QPushButton* StopButton() const { return stop_; }

 signals:
  void startClicked();
  void stopClicked();

 private:
  void UpdateButtons();

  QString port_label_;
  QLabel* port_ = nullptr;
  QLabel* state_label_ = nullptr;
  QLabel* elapsed_ = nullptr;
  QLabel* identity_ = nullptr;
  QLabel* counts_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  StationState state_ = StationState::kIdle;
  bool running_ = false;
  bool allowed_ = true;
};

}  // namespace zt::ui
