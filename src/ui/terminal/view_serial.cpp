// The AT terminal page: its controls, its life and what it receives.
#include "ui/terminal/view_serial.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include "serial/port_texts.h"
#include "serial/serial_port.h"
#include "settings/process_flags.h"
#include "terminal/quick_send_file.h"
#include "terminal/receive_box_rules.h"
#include "terminal/terminal_log.h"
#include "terminal/terminal_receiver.h"
#include "terminal/terminal_texts.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/common/ui_font.h"
#include "ui/shell/qt_message_box.h"
#include "ui/terminal/quick_send_panel.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

constexpr int kLabelFontPixels = 12;
constexpr int kPeriodEditWidth = 70;
constexpr std::string_view kInitialPeriod = "1000";

QString DefaultSaveFile(QWidget* parent) {
  return QFileDialog::getSaveFileName(parent, QString(), QStringLiteral("Debug"), Qs("文本文件(*.txt)"_gbk));
}

}  // namespace

CViewSerial::CViewSerial(IFrameContext& frame, QWidget* parent)
    : CViewBase(frame, parent),
      receiver_(std::make_unique<TerminalReceiver>(frame.Port())),
      log_folder_(frame.TerminalLogs()),
      history_(LoadHistory(BesideQuickSendFile(frame, kHistoryFile))),
      sequence_(LoadSequence(BesideQuickSendFile(frame, kSequenceFile)).value_or(CommandSequence{})),
      sequence_path_(BesideQuickSendFile(frame, kSequenceFile)),
      runner_([this](std::string_view bytes) { Write(bytes); }),
      choose_save_file_(&DefaultSaveFile) {
  setObjectName(QStringLiteral("view_serial"));
  setWindowTitle(Qs("串口交互"_gbk));
  BuildLayout();

  send_timer_ = new QTimer(this);
  send_timer_->setObjectName(QStringLiteral("send_timer"));
  connect(send_timer_, &QTimer::timeout, this, &CViewSerial::TimedSend);
  flush_timer_ = new QTimer(this);
  flush_timer_->setObjectName(QStringLiteral("receive_flush_timer"));
  flush_timer_->setInterval(kFlushPeriodMs);
  connect(flush_timer_, &QTimer::timeout, this, &CViewSerial::FlushReceived);
  // A running sequence waits on what the line brings as it comes.
  receiver_->SetTap([this](std::string_view bytes) { runner_.Received(bytes); });
}

CViewSerial::~CViewSerial() { Retire(); }

void CViewSerial::BuildLayout() {
  setFont(CjkFont(kLabelFontPixels));
  auto* page = new QVBoxLayout(this);

  receive_box_ = new QPlainTextEdit(this);
  receive_box_->setObjectName(QStringLiteral("receive_box"));
  receive_box_->setReadOnly(true);
  // Read-only, yet it takes the focus and shows its caret: keys typed there
  // go to the DTU.
  receive_box_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  receive_box_->setFocusPolicy(Qt::StrongFocus);
  receive_box_->setLineWrapMode(QPlainTextEdit::NoWrap);
  receive_box_->installEventFilter(this);

  panel_ = new QuickSendPanel(frame().Port(), frame().QuickSendFile(), this,
                              [this](std::string_view bytes) { receiver_->NoteSent(bytes); });
  panel_->hide();
  connect(panel_, &QuickSendPanel::sendPeriodEnabled, this,
          [this](bool enabled) { period_->setEnabled(enabled); });

  page->addWidget(new QLabel(Qs("字符串接收框:"_gbk), this));
  auto* top = new QHBoxLayout;
  top->addWidget(receive_box_, 1);
  top->addWidget(panel_, 0, Qt::AlignTop);
  page->addLayout(top, 1);
  BuildFindBar(page);

  auto* input_row = new QHBoxLayout;
  input_ = new QLineEdit(this);
  input_->setObjectName(QStringLiteral("input_line"));
  input_->installEventFilter(this);
  send_ = new QPushButton(Qs("发送"_gbk), this);
  send_->setObjectName(QStringLiteral("send_button"));
  input_row->addWidget(new QLabel(Qs("字符串输入:"_gbk), this));
  input_row->addWidget(input_, 1);
  input_row->addWidget(send_);
  page->addLayout(input_row);

  auto* options = new QHBoxLayout;
  new_line_ = new QCheckBox(Qs("发送新行"_gbk), this);
  new_line_->setObjectName(QStringLiteral("new_line_box"));
  hex_ = new QCheckBox(Qs("HEX发送"_gbk), this);
  hex_->setObjectName(QStringLiteral("hex_box"));
  timed_ = new QCheckBox(Qs("定时发送"_gbk), this);
  timed_->setObjectName(QStringLiteral("timed_box"));
  period_ = new QLineEdit(Qs(kInitialPeriod), this);
  period_->setObjectName(QStringLiteral("send_period"));
  period_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,10}")), period_));
  period_->setMaximumWidth(kPeriodEditWidth);
  clear_ = new QPushButton(Qs("清空窗口"_gbk), this);
  clear_->setObjectName(QStringLiteral("clear_button"));
  save_ = new QPushButton(Qs("保存信息"_gbk), this);
  save_->setObjectName(QStringLiteral("save_button"));
  expand_ = new QPushButton(Qs("扩展"_gbk), this);
  expand_->setObjectName(QStringLiteral("expand_button"));
  options->addWidget(new_line_);
  options->addWidget(hex_);
  options->addWidget(timed_);
  options->addWidget(period_);
  options->addWidget(new QLabel(Qs("(ms/次)"_gbk), this));
  options->addStretch(1);
  options->addWidget(clear_);
  options->addWidget(save_);
  options->addWidget(expand_);
  page->addLayout(options);
  BuildOptionRow(page);

  auto* line = new QHBoxLayout;
  const std::pair<LineList, const char*> lists[] = {{LineList::kBaud, "baud_list"},
                                                    {LineList::kDataBits, "data_bits_list"},
                                                    {LineList::kStopBits, "stop_bits_list"},
                                                    {LineList::kParity, "parity_list"},
                                                    {LineList::kFlowControl, "flow_control_list"}};
  for (const auto& [list, name] : lists) {
    line->addWidget(new QLabel(Qs(LineListFor(list).label), this));
    line->addWidget(MakeLineList(list, name));
  }
  line->addStretch(1);
  page->addLayout(line);

  connect(send_, &QPushButton::clicked, this, &CViewSerial::SendInput);
  connect(clear_, &QPushButton::clicked, this, &CViewSerial::ClearReceived);
  connect(save_, &QPushButton::clicked, this, &CViewSerial::SaveReceived);
  connect(expand_, &QPushButton::clicked, this, &CViewSerial::TogglePanel);
  connect(timed_, &QCheckBox::clicked, this, &CViewSerial::OnTimedClicked);
  connect(hex_, &QCheckBox::clicked, this, &CViewSerial::OnHexClicked);
  connect(new_line_, &QCheckBox::clicked, this, &CViewSerial::OnNewLineClicked);
  connect(new_line_, &QCheckBox::toggled, panel_, &QuickSendPanel::SetNewLine);
}

QComboBox* CViewSerial::MakeLineList(LineList list, const char* object_name) {
  auto* box = new QComboBox(this);
  box->setObjectName(QString::fromLatin1(object_name));
  const LineListInfo& info = LineListFor(list);
  for (const std::string_view entry : info.entries) box->addItem(Qs(entry));
  box->setCurrentIndex(info.initial);
  // Connected after the initial choice: only the operator's choices count.
  connect(box, &QComboBox::currentIndexChanged, this,
          [this, box, list](int) { ChangeLineSetting(list, Gbk(box->currentText())); });
  return box;
}

void CViewSerial::InitialUpdate() {
  if (started_ || retired_) return;
  started_ = true;
  panel_->Load();
  receiver_->Start();
  flush_timer_->start();
}

bool CViewSerial::event(QEvent* event) {
  // Taken out of the window: the page's life is over, although the object
  // itself goes a little later.
  if (event->type() == QEvent::ParentChange && parentWidget() == nullptr) Retire();
  return CViewBase::event(event);
}

void CViewSerial::Retire() {
  if (retired_) return;
  retired_ = true;
  send_timer_->stop();
  flush_timer_->stop();
  runner_.Stop();
  receiver_->Stop();
  panel_->Shutdown();
  // What came before the end goes to the log, which is then closed; the
  // page shows nothing more and tells nobody.
  if (log_) {
    TakeEvents();
    transcript_.FlushAll();
    log_->Append(transcript_.Take().log);
  }
  StopLog();
  // Not after a confirmed exit (the frame saved before its question) nor
  // after the exit command (which saves nothing).
  if (save_when_retired_ && !frame().Flags().exiting.load()) SaveQuickSend();
}

void CViewSerial::SaveQuickSend() {
  // A panel that was never filled from the file must not overwrite it.
  if (started_) panel_->Save();
}

std::uint64_t CViewSerial::BytesRead() const { return receiver_->ReadTotal(); }

bool CViewSerial::ReceiveThreadRunning() const { return receiver_->IsRunning(); }

// --- Receiving ---------------------------------------------------------------

void CViewSerial::TakeEvents() {
  for (const TerminalEvent& event : receiver_->TakeEvents()) {
    if (event.kind == TerminalEvent::Kind::kReceived) {
      transcript_.Received(event.bytes, event.when);
    } else {
      transcript_.Sent(event.bytes, event.when);
    }
  }
}

void CViewSerial::FlushReceived() {
  TakeEvents();
  transcript_.EndBatch();
  const TranscriptPiece piece = transcript_.Take();
  if (!piece.display.empty()) AppendReceived(piece.display);
  if (log_ && !piece.log.empty()) log_->Append(piece.log);
  CheckLog();
  UpdateSequenceProgress();
}

void CViewSerial::AppendReceived(std::string_view gbk) {
  if (ClearsBeforeAppend(receive_box_->blockCount())) {
    receive_box_->clear();
    shown_.clear();
    shown_column_ = 0;
  }
  const QString text = QsEscaped(BreakLongLines(gbk, shown_column_));
  shown_.append(gbk);
  if (find_bar_->isVisible()) {
    // While the operator searches, the box neither scrolls nor takes the
    // focus, and what was found stays selected.
    QTextCursor end(receive_box_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    return;
  }
  receive_box_->moveCursor(QTextCursor::End);
  receive_box_->insertPlainText(text);
  receive_box_->ensureCursorVisible();
  if (!receive_box_->hasFocus()) {
    receive_box_->setFocus();
    receive_box_->moveCursor(QTextCursor::End);
  }
}

void CViewSerial::ClearReceived() {
  transcript_.DisplayCleared();
  receive_box_->setPlainText(QStringLiteral(" "));
  shown_.assign(1, ' ');
  shown_column_ = 1;
  receive_box_->setFocus();
}

// --- Saving ------------------------------------------------------------------

void CViewSerial::SaveReceived() {
  const QString chosen = choose_save_file_ ? choose_save_file_(this) : QString();
  if (chosen.isEmpty()) return;
  const std::string path = WithTxtExtension(NativePath(chosen));
  if (!WriteReceivedFile(path, shown_)) {
    ShowMessageBox(this, terminal_texts::kSaveFileFailed, terminal_texts::kNoticeCaption,
                   MessageIcon::kError);
    return;
  }
  frame().AddLogLine(SaveLogLine(Gbk(QString::fromStdString(path))));
}

// --- The panel and the line settings -----------------------------------------

void CViewSerial::TogglePanel() {
  const bool expand = panel_->isHidden();
  // The panel takes its width from the receive box, beside its top right corner.
  panel_->setVisible(expand);
  expand_->setText(Qs(expand ? "收缩"_gbk : "扩展"_gbk));
}

void CViewSerial::ChangeLineSetting(LineList list, std::string_view gbk_text) {
  const LineSettingCode code = LineSettingFromEntry(list, gbk_text);
  // The port ignores the choice while it is closed and when nothing changes.
  const PortResult changed = frame().Port().SetLineSetting(code.kind, code.value);
  if (!changed) frame().Messages().ShowMessage(ReopenFailureText(changed), PortCaptionText(), MessageIcon::kError);
}

}  // namespace zt::ui
