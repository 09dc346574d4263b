#include "ui/prodtest/view_multi_test.h"

#include "ui/common/named_widgets.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <chrono>

#include "common/message_box.h"
#include "ui/prodtest/page_records.h"
#include "serial/port_list.h"
#include "settings/tool_settings.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/common/ui_font.h"
#include "ui/prodtest/station_prompt_queue.h"
#include "ui/prodtest/station_tile.h"
#include "ui/prodtest/test_choices_panel.h"
#include "ui/prodtest/test_output_relay.h"
#include "ui/shell/ui_thread.h"

namespace zt::ui {

using namespace zt::literals;

namespace {

constexpr int kFontPixels = 12;
constexpr int kTileColumns = 4;
constexpr int kInfoLineLimit = 5000;
constexpr int kPortListHeight = 110;
// Stop waits for the runs in slices this long, serving their calls to the
// UI thread in between.
constexpr std::chrono::milliseconds kStopSlice{10};
constexpr int kClockMs = 1000;

constexpr int kNameRole = Qt::UserRole;

}  // namespace

// One ticked port: its station, its tile, the hand-over of its run's lines
// and its serial-number question.
struct CViewMultiTest::Seat {
  QString name;   // as picked
  QString label;  // as shown
  StationTile* tile = nullptr;
  TestOutputRelay* relay = nullptr;
  std::string partial;  // GBK: the line begun and not ended yet (UI thread)
  std::unique_ptr<ISerialNumberPrompt> prompt;
  std::unique_ptr<StoreUnitRecorder> recorder;  // outlives the station's run
  std::atomic<bool> redraw_asked{false};
  std::unique_ptr<Station> station;  // last of the owned parts: its run ends first

  ~Seat() {
    station.reset();
    delete tile;
    delete relay;
  }
};

QString CViewMultiTest::PortLabel(const QString& port_name) {
  if (port_name.contains(QStringLiteral("://"))) return port_name;
  const qsizetype slash = port_name.lastIndexOf(QLatin1Char('/'));
  return slash < 0 ? port_name : port_name.mid(slash + 1);
}

CViewMultiTest::CViewMultiTest(IFrameContext& frame, QWidget* parent) : CViewBase(frame, parent) {
  setObjectName(QStringLiteral("viewMultiTest"));
  setWindowTitle(Qs("多工位测试"_gbk));
  setFont(CjkFont(kFontPixels));
  prompts_ = std::make_unique<StationPromptQueue>(this);
  // Every port's units are recorded in the station's store, as on the
  // single-unit page.
  records_ = OpenPageRecords(frame);
  BuildControls();
  clock_ = new QTimer(this);
  clock_->setInterval(kClockMs);
  connect(clock_, &QTimer::timeout, this, [this] { RedrawAll(); });
  clock_->start();
  UpdateControls();
}

CViewMultiTest::~CViewMultiTest() {
  clock_->stop();
  prompts_->Shutdown();
  // The page goes with its runs: silently.
  for (auto& seat : seats_) {
    seat->relay->Close();
    seat->station->SetInfoSink({});
    seat->station->Board().SetChangeCallback({});
    if (seat->station->Running()) seat->station->BeginStop();
  }
  for (auto& seat : seats_) {
    // A run may be waiting for this thread (a message box): keep serving.
    while (!seat->station->WaitFinished(kStopSlice)) {
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents,
                                      static_cast<int>(kStopSlice.count()));
    }
  }
  seats_.clear();
}

void CViewMultiTest::BuildControls() {
  auto* choices_box = Named(new QGroupBox(Qs("测试设置"_gbk), this), "multiChoicesBox");
  choices_ = Named(new TestChoicesPanel(choices_box), "multiChoices");
  (new QVBoxLayout(choices_box))->addWidget(choices_);

  auto* ports_box = Named(new QGroupBox(Qs("测试端口"_gbk), this), "multiPortsBox");
  port_list_ = Named(new QListWidget(ports_box), "portList");
  port_list_->setMaximumHeight(kPortListHeight);
  port_edit_ = Named(new QLineEdit(ports_box), "portEdit");
  port_edit_->setPlaceholderText(QStringLiteral("/dev/ttyUSB0"));
  add_port_ = Named(new QPushButton(Qs("添加端口"_gbk), ports_box), "addPortButton");
  refresh_ports_ = Named(new QPushButton(Qs("刷新"_gbk), ports_box), "refreshPortsButton");
  auto* port_row = new QHBoxLayout;
  port_row->addWidget(port_edit_, 1);
  port_row->addWidget(add_port_);
  port_row->addWidget(refresh_ports_);
  auto* ports_layout = new QVBoxLayout(ports_box);
  ports_layout->addWidget(port_list_);
  ports_layout->addLayout(port_row);

  auto* top = new QHBoxLayout;
  top->addWidget(choices_box, 3);
  top->addWidget(ports_box, 2);

  tile_area_ = Named(new QWidget, "tileArea");
  tile_grid_ = new QGridLayout(tile_area_);
  tile_grid_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setWidget(tile_area_);

  info_box_ = Named(new QPlainTextEdit(this), "multiTestInfo");
  info_box_->setReadOnly(true);
  info_box_->setLineWrapMode(QPlainTextEdit::NoWrap);
  info_box_->setMaximumBlockCount(kInfoLineLimit);

  start_all_ = Named(new QPushButton(Qs("全部开始"_gbk), this), "startAllButton");
  stop_all_ = Named(new QPushButton(Qs("全部停止"_gbk), this), "stopAllButton");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(start_all_);
  buttons->addWidget(stop_all_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(scroll, 3);
  layout->addWidget(info_box_, 1);
  layout->addLayout(buttons);

  connect(port_list_, &QListWidget::itemChanged, this,
          [this](QListWidgetItem* item) { OnPortItemChanged(item); });
  connect(add_port_, &QPushButton::clicked, this, [this] {
    if (AddPort(port_edit_->text())) port_edit_->clear();
  });
  connect(port_edit_, &QLineEdit::returnPressed, add_port_, &QPushButton::click);
  connect(refresh_ports_, &QPushButton::clicked, this, [this] { RefreshPorts(); });
  connect(start_all_, &QPushButton::clicked, this, [this] { StartAllCommand(); });
  connect(stop_all_, &QPushButton::clicked, this, [this] { StopAllCommand(); });
}

void CViewMultiTest::InitialUpdate() {
  choices_->LoadSection(frame().Settings().Get().settings_path);
  RefreshPorts();
}

bool CViewMultiTest::CanLeave() {
  if (!AnyRunning()) return true;
  frame().Messages().ShowMessage("多工位测试正在进行，请先停止测试!"_gbk, "提示"_gbk,
                                 MessageIcon::kExclamation);
  return false;
}

// ---- the port picker ---------------------------------------------------------

void CViewMultiTest::RefreshPorts() {
  if (AnyRunning()) return;
  std::vector<std::pair<QString, bool>> before;
  for (int i = 0; i < port_list_->count(); ++i) {
    const QListWidgetItem* item = port_list_->item(i);
    before.emplace_back(item->data(kNameRole).toString(), item->checkState() == Qt::Checked);
  }
  const auto was_checked = [&](const QString& name) {
    for (const auto& [n, checked] : before) {
      if (n == name) return checked;
    }
    return false;
  };
  const QSignalBlocker blocker(port_list_);
  port_list_->clear();
  auto add = [&](const QString& name, const QString& tip) {
    auto* item = new QListWidgetItem(name, port_list_);
    item->setData(kNameRole, name);
    item->setToolTip(tip);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(was_checked(name) ? Qt::Checked : Qt::Unchecked);
  };
  QStringList listed;
  for (const PortInfo& port : ListPorts()) {
    const QString name = QString::fromStdString(port.name);
    listed << name;
    add(name, QString::fromStdString(port.Label()));
  }
  // Names typed in earlier stay, after the machine's.
  for (const auto& [name, checked] : before) {
    if (!listed.contains(name)) add(name, name);
  }
  SyncSeats();
}

bool CViewMultiTest::AddPort(const QString& typed) {
  const QString name = typed.trimmed();
  if (name.isEmpty() || AnyRunning()) return false;
  QListWidgetItem* item = nullptr;
  for (int i = 0; i < port_list_->count() && item == nullptr; ++i) {
    if (port_list_->item(i)->data(kNameRole).toString() == name) item = port_list_->item(i);
  }
  if (item != nullptr && item->checkState() == Qt::Checked) return true;
  if (ChosenPorts().size() >= kMaxPorts) {
    frame().Messages().ShowMessage("最多只能选择16个端口"_gbk, "提示"_gbk, MessageIcon::kExclamation);
    return false;
  }
  {
    const QSignalBlocker blocker(port_list_);
    if (item == nullptr) {
      item = new QListWidgetItem(name, port_list_);
      item->setData(kNameRole, name);
      item->setToolTip(name);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    }
    item->setCheckState(Qt::Checked);
  }
  SyncSeats();
  return true;
}

QStringList CViewMultiTest::ChosenPorts() const {
  QStringList chosen;
  for (int i = 0; i < port_list_->count(); ++i) {
    const QListWidgetItem* item = port_list_->item(i);
    if (item->checkState() == Qt::Checked) chosen << item->data(kNameRole).toString();
  }
  return chosen;
}

void CViewMultiTest::OnPortItemChanged(QListWidgetItem* item) {
  if (item->checkState() == Qt::Checked && ChosenPorts().size() > kMaxPorts) {
    {
      const QSignalBlocker blocker(port_list_);
      item->setCheckState(Qt::Unchecked);
    }
    frame().Messages().ShowMessage("最多只能选择16个端口"_gbk, "提示"_gbk, MessageIcon::kExclamation);
    return;
  }
  SyncSeats();
}

// ---- the tiles ---------------------------------------------------------------

void CViewMultiTest::SyncSeats() {
  if (AnyRunning()) return;
  std::vector<std::unique_ptr<Seat>> kept;
  for (const QString& name : ChosenPorts()) {
    auto same =
        std::find_if(seats_.begin(), seats_.end(), [&](const auto& s) { return s && s->name == name; });
    kept.push_back(same != seats_.end() ? std::move(*same) : MakeSeat(name));
  }
  seats_.swap(kept);
  kept.clear();  // the ports no longer ticked close
  LayOutTiles();
  UpdateControls();
}

std::unique_ptr<CViewMultiTest::Seat> CViewMultiTest::MakeSeat(const QString& port_name) {
  auto seat = std::make_unique<Seat>();
  Seat* s = seat.get();
  s->name = port_name;
  s->label = PortLabel(port_name);
  s->tile = Named(new StationTile(s->label, tile_area_), "stationTile");
  s->tile->setToolTip(port_name);
  s->relay = new TestOutputRelay(
      [this, s](const TestOutputRelay::Item& item) {
        if (!item.restore && !item.unit) AppendLines(*s, item.text);
      },
      this);
  s->prompt = prompts_->PromptFor(s->label);
  if (records_) s->recorder = records_->NewRecorder();
  s->station = std::make_unique<Station>(
      port_name.toStdString(), frame().Settings().Get(),
      StationServices{frame().Messages(), frame().CatalogueErrors(), frame().CatalogueFolder(),
                      s->recorder.get(), records_ ? &records_->guard() : nullptr});
  s->station->SetInfoSink([this, s](std::string_view gbk) {
    if (!OnUiThread()) {
      s->relay->Post({false, std::string(gbk)});
      return;
    }
    // Stop's own lines: after everything the run handed over before them.
    s->relay->Flush();
    AppendLines(*s, gbk);
  });
  s->station->Board().SetChangeCallback([this, s] {
    // One queued redraw at a time; it draws the board as it is by then.
    if (s->redraw_asked.exchange(true)) return;
    QMetaObject::invokeMethod(
        s->tile,
        [this, s] {
          s->redraw_asked.store(false);
          Redraw(*s);
        },
        Qt::QueuedConnection);
  });
  connect(s->tile, &StationTile::startClicked, this, [this, s] {
    for (int i = 0; i < TileCount(); ++i) {
      if (seats_[static_cast<std::size_t>(i)].get() == s) StartPortCommand(i);
    }
  });
  connect(s->tile, &StationTile::stopClicked, this, [this, s] { StopSeats({s}); });
  return seat;
}

void CViewMultiTest::LayOutTiles() {
  for (const auto& seat : seats_) tile_grid_->removeWidget(seat->tile);
  for (std::size_t i = 0; i < seats_.size(); ++i) {
    const int n = static_cast<int>(i);
    tile_grid_->addWidget(seats_[i]->tile, n / kTileColumns, n % kTileColumns);
    seats_[i]->tile->show();
  }
}

StationTile* CViewMultiTest::Tile(int index) const {
  return index >= 0 && index < TileCount() ? seats_[static_cast<std::size_t>(index)]->tile : nullptr;
}

Station& CViewMultiTest::StationAt(int index) const {
  return *seats_.at(static_cast<std::size_t>(index))->station;
}

bool CViewMultiTest::AnyRunning() const {
  return std::any_of(seats_.begin(), seats_.end(), [](const auto& s) {
    return s->station->Running() || s->station->Board().Snapshot().run_active;
  });
}

void CViewMultiTest::Redraw(Seat& seat) {
  const StationSnapshot snapshot = seat.station->Board().Snapshot();
  seat.tile->Show(snapshot, snapshot.run_active);
  UpdateControls();
}

void CViewMultiTest::RedrawAll() {
  for (auto& seat : seats_) {
    const StationSnapshot snapshot = seat->station->Board().Snapshot();
    seat->tile->Show(snapshot, snapshot.run_active);
  }
  UpdateControls();
}

void CViewMultiTest::UpdateControls() {
  const bool running = AnyRunning();
  bool idle_seat = false;
  for (const auto& seat : seats_) {
    if (!seat->station->Board().Snapshot().run_active) idle_seat = true;
    seat->tile->SetButtonsAllowed(!stopping_);
  }
  choices_->SetLocked(running || stopping_);
  for (QWidget* w : {static_cast<QWidget*>(port_list_), static_cast<QWidget*>(port_edit_),
                     static_cast<QWidget*>(add_port_), static_cast<QWidget*>(refresh_ports_)}) {
    w->setEnabled(!running && !stopping_);
  }
  start_all_->setEnabled(!stopping_ && idle_seat);
  stop_all_->setEnabled(!stopping_ && running);
}

// ---- the commands ------------------------------------------------------------

bool CViewMultiTest::PrepareStart(TestChoices& choices, RunSettings& run) {
  choices = choices_->Read(frame().Messages());
  const StartVerdict verdict = ValidateStart(choices);
  if (!verdict.accepted()) {
    frame().Messages().ShowMessage(verdict.refusal, StartRefusalCaption(), MessageIcon::kExclamation);
    return false;
  }
  run = *verdict.run;
  // The runs go on when the choices cannot be stored; the box says so.
  if (!WriteTestSection(frame().Settings().Get().settings_path, choices)) {
    QString line = Qs(TestSectionNotSavedLine());
    line.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    AppendPageLine(line);
  }
  return true;
}

void CViewMultiTest::StartAllCommand() {
  if (stopping_) return;
  if (seats_.empty()) {
    frame().Messages().ShowMessage("请先选择测试端口"_gbk, "提示"_gbk, MessageIcon::kExclamation);
    return;
  }
  TestChoices choices;
  RunSettings run;
  if (!PrepareStart(choices, run)) return;
  for (auto& seat : seats_) {
    if (!seat->station->Board().Snapshot().run_active) StartSeat(*seat, choices, run);
  }
  UpdateControls();
}

void CViewMultiTest::StartPortCommand(int index) {
  if (stopping_ || index < 0 || index >= TileCount()) return;
  Seat& seat = *seats_[static_cast<std::size_t>(index)];
  if (seat.station->Board().Snapshot().run_active) return;
  TestChoices choices;
  RunSettings run;
  if (!PrepareStart(choices, run)) return;
  StartSeat(seat, choices, run);
  UpdateControls();
}

void CViewMultiTest::StartSeat(Seat& seat, const TestChoices& choices, const RunSettings& run) {
  seat.partial.clear();
  seat.relay->Open();
  if (!seat.station->Start(run, choices, *seat.prompt)) seat.relay->Close();
  Redraw(seat);
}

void CViewMultiTest::StopAllCommand() {
  std::vector<Seat*> all;
  for (auto& seat : seats_) all.push_back(seat.get());
  StopSeats(all);
}

void CViewMultiTest::StopPortCommand(int index) {
  if (index >= 0 && index < TileCount()) StopSeats({seats_[static_cast<std::size_t>(index)].get()});
}

void CViewMultiTest::StopSeats(const std::vector<Seat*>& seats) {
  if (stopping_) return;
  std::vector<Seat*> running;
  for (Seat* seat : seats) {
    if (seat->station->Running()) running.push_back(seat);
  }
  if (running.empty()) return;
  stopping_ = true;
  UpdateControls();
  // Every run is told first, so that all of them end within the same
  // ~100 ms; what each wrote before Stop shows before Stop's lines.
  for (Seat* seat : running) {
    seat->relay->Flush();
    seat->relay->Close();
    seat->station->BeginStop();
  }
  for (Seat* seat : running) {
    // A run may be waiting for this thread meanwhile (a message box).
    while (!seat->station->WaitFinished(kStopSlice)) {
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents,
                                      static_cast<int>(kStopSlice.count()));
    }
    seat->station->EndStop();
  }
  stopping_ = false;
  RedrawAll();
}

// ---- the information box -------------------------------------------------------

void CViewMultiTest::AppendLines(Seat& seat, std::string_view gbk) {
  seat.partial.append(gbk);
  std::size_t end = 0;
  while ((end = seat.partial.find('\n')) != std::string::npos) {
    std::string line = seat.partial.substr(0, end);
    seat.partial.erase(0, end + 1);
    std::erase(line, '\r');
    AppendPageLine(QStringLiteral("[") + seat.label + QStringLiteral("] ") + QsEscaped(line));
  }
}

void CViewMultiTest::AppendPageLine(const QString& line) { info_box_->appendPlainText(line); }

QString CViewMultiTest::InfoText() const { return info_box_->toPlainText(); }

}  // namespace zt::ui
