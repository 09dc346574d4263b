// The several-ports test page ("多工位测试"): the production test on up to 16
// ports at once, one tile per port.
//
// The operator picks the ports (the port list's stable names, or a name
// typed in), makes the test choices once for all of them, and starts and
// stops all ports together or each on its tile. Every port is a Station of
// its own (settings, flags, catalogue, port, run); the page's own port and
// worker are not used. A finished unit's serial-number question opens one
// dialog at a time, titled with its port; the other ports' questions wait
// their turn. Every run's lines go to the page's information box, each line
// led by its port's name.
//
// While a run is active the page cannot be left and the ports and choices
// stay as they are.
//
// Threads: the widgets and the commands belong to the UI thread; the runs
// report through their stations' boards and sinks, which hand over to the UI
// thread without waiting.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "prodtest/station.h"
#include "records/store_recorder.h"
#include "ui/shell/view_base.h"

class QListWidget;
class QListWidgetItem;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QGridLayout;
class QTimer;

namespace zt::ui {

class StationPromptQueue;
class StationTile;
class TestChoicesPanel;

class CViewMultiTest : public CViewBase {
  Q_OBJECT

 public:
  static constexpr int kMaxPorts = 16;

  CViewMultiTest(IFrameContext& frame, QWidget* parent);
  // Runs still going are stopped without a line and joined.
  ~CViewMultiTest() override;

  int ViewId() const override { return kViewMultiTest; }
  // Opens with the choices of section "TEST" and the machine's ports.
  void InitialUpdate() override;
  // Refused, with a message, while a run is active.
  bool CanLeave() override;

  // The buttons.
  void StartAllCommand();
  void StopAllCommand();
  void StartPortCommand(int index);
  void StopPortCommand(int index);

  // The port picker: lists the machine's ports again (the ticks stay);
  // adds a typed name, ticked (false when 16 are ticked already).
  void RefreshPorts();
  bool AddPort(const QString& name);
  // The ticked ports, in the list's order.
  QStringList ChosenPorts() const;

  int TileCount() const { return static_cast<int>(seats_.size()); }
  StationTile* Tile(int index) const;
  Station& StationAt(int index) const;
  bool AnyRunning() const;

  StationPromptQueue& Prompts() const { return *prompts_; }
  TestChoicesPanel* Choices() const { return choices_; }
  // The information box as shown ("\n" line ends).
  QString InfoText() const;

  // The name a tile shows for a port: its last path part.
  static QString PortLabel(const QString& port_name);

 private:
  struct Seat;

  void BuildControls();
  void OnPortItemChanged(QListWidgetItem* item);
  // The tiles follow the ticked ports.
  void SyncSeats();
  std::unique_ptr<Seat> MakeSeat(const QString& port_name);
  void LayOutTiles();
  // Checks and stores the choices; the run's settings, or nothing (refused).
  bool PrepareStart(TestChoices& choices, RunSettings& run);
  void StartSeat(Seat& seat, const TestChoices& choices, const RunSettings& run);
  void StopSeats(const std::vector<Seat*>& seats);
  void Redraw(Seat& seat);
  void RedrawAll();
  void UpdateControls();
  void AppendLines(Seat& seat, std::string_view gbk);
  void AppendPageLine(const QString& line);

  TestChoicesPanel* choices_ = nullptr;
  QListWidget* port_list_ = nullptr;
  QLineEdit* port_edit_ = nullptr;
  QPushButton* add_port_ = nullptr;
  QPushButton* refresh_ports_ = nullptr;
  QGridLayout* tile_grid_ = nullptr;
  QWidget* tile_area_ = nullptr;
  QPlainTextEdit* info_box_ = nullptr;
  QPushButton* start_all_ = nullptr;
  QPushButton* stop_all_ = nullptr;
  QTimer* clock_ = nullptr;

  bool stopping_ = false;
  std::unique_ptr<StationRecords> records_;  // null when the window keeps no records
  std::unique_ptr<StationPromptQueue> prompts_;
  std::vector<std::unique_ptr<Seat>> seats_;  // last: the runs end before the queue goes
};

}  // namespace zt::ui
