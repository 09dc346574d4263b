// The AT terminal page: the options of what it shows and keeps (time stamps,
// the hex view, the log file) and the find bar.
#include <QCheckBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTextCursor>
#include <QUrl>
#include <cstring>

#include "serial/serial_port.h"
#include "settings/tool_settings.h"
#include "terminal/terminal_log.h"
#include "terminal/terminal_texts.h"
#include "text/strformat.h"
#include "ui/common/qt_text.h"
#include "ui/shell/qt_message_box.h"
#include "ui/terminal/view_serial.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

// A path as the system names it (UTF-8), for the tool's GBK texts.
std::string GbkPath(const std::string& native) { return Gbk(QString::fromStdString(native)); }

QCheckBox* OptionBox(QWidget* parent, std::string_view gbk, const char* name) {
  auto* box = new QCheckBox(Qs(gbk), parent);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

}  // namespace

void CViewSerial::BuildOptionRow(QBoxLayout* page) {
  auto* row = new QHBoxLayout;
  timestamps_ = OptionBox(this, "时间戳"_gbk, "timestamps_box");
  hex_view_ = OptionBox(this, "HEX显示"_gbk, "hex_view_box");
  log_box_ = OptionBox(this, "保存日志"_gbk, "log_box");
  log_path_label_ = new QLabel(this);
  log_path_label_->setObjectName(QStringLiteral("log_path"));
  log_path_label_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  log_path_label_->hide();
  connect(log_path_label_, &QLabel::linkActivated, this, [this] { OpenLogFile(); });

  sequence_edit_ = new QPushButton(Qs("命令序列..."_gbk), this);
  sequence_edit_->setObjectName(QStringLiteral("sequence_edit_button"));
  sequence_run_ = new QPushButton(Qs("运行序列"_gbk), this);
  sequence_run_->setObjectName(QStringLiteral("sequence_run_button"));
  sequence_progress_ = new QProgressBar(this);
  sequence_progress_->setObjectName(QStringLiteral("sequence_progress"));
  sequence_progress_->setMaximumWidth(120);
  sequence_progress_->hide();
  sequence_status_ = new QLabel(this);
  sequence_status_->setObjectName(QStringLiteral("sequence_status"));

  row->addWidget(timestamps_);
  row->addWidget(hex_view_);
  row->addWidget(log_box_);
  row->addWidget(log_path_label_, 1);
  row->addStretch(0);
  row->addWidget(sequence_status_);
  row->addWidget(sequence_progress_);
  row->addWidget(sequence_edit_);
  row->addWidget(sequence_run_);
  page->addLayout(row);

  connect(timestamps_, &QCheckBox::clicked, this, &CViewSerial::SetTimestamps);
  connect(hex_view_, &QCheckBox::clicked, this, &CViewSerial::SetHexView);
  connect(log_box_, &QCheckBox::clicked, this, [this](bool on) { SetLogging(on); });
  connect(sequence_edit_, &QPushButton::clicked, this, &CViewSerial::EditSequence);
  connect(sequence_run_, &QPushButton::clicked, this, &CViewSerial::RunOrStopSequence);
}

void CViewSerial::BuildFindBar(QBoxLayout* page) {
  find_bar_ = new QWidget(this);
  find_bar_->setObjectName(QStringLiteral("find_bar"));
  auto* row = new QHBoxLayout(find_bar_);
  row->setContentsMargins(0, 0, 0, 0);
  find_edit_ = new QLineEdit(find_bar_);
  find_edit_->setObjectName(QStringLiteral("find_edit"));
  auto* next = new QPushButton(Qs("查找下一个"_gbk), find_bar_);
  next->setObjectName(QStringLiteral("find_next_button"));
  next->setAutoDefault(false);
  auto* close = new QPushButton(Qs("关闭"_gbk), find_bar_);
  close->setObjectName(QStringLiteral("find_close_button"));
  close->setAutoDefault(false);
  find_status_ = new QLabel(find_bar_);
  find_status_->setObjectName(QStringLiteral("find_status"));
  row->addWidget(new QLabel(Qs("查找:"_gbk), find_bar_));
  row->addWidget(find_edit_, 1);
  row->addWidget(next);
  row->addWidget(close);
  row->addWidget(find_status_);
  find_bar_->hide();
  page->addWidget(find_bar_);

  connect(find_edit_, &QLineEdit::returnPressed, this, [this] { FindNext(); });
  connect(next, &QPushButton::clicked, this, [this] { FindNext(); });
  connect(close, &QPushButton::clicked, this, [this] {
    find_bar_->hide();
    receive_box_->setFocus();
  });
  // Ctrl+F anywhere on the page, the receive box included (where it would
  // otherwise go to the DTU as 0x06); Esc in the bar closes it.
  auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
  find->setContext(Qt::WidgetWithChildrenShortcut);
  connect(find, &QShortcut::activated, this, &CViewSerial::ShowFind);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), find_bar_);
  escape->setContext(Qt::WidgetWithChildrenShortcut);
  connect(escape, &QShortcut::activated, close, &QPushButton::click);
}

void CViewSerial::ShowFind() {
  find_bar_->show();
  find_edit_->setFocus();
  find_edit_->selectAll();
}

bool CViewSerial::FindNext() {
  const QString text = find_edit_->text();
  if (text.isEmpty()) return false;
  bool found = receive_box_->find(text);
  if (!found) {
    // From the top once more.
    QTextCursor top = receive_box_->textCursor();
    top.movePosition(QTextCursor::Start);
    receive_box_->setTextCursor(top);
    found = receive_box_->find(text);
  }
  find_status_->setText(found ? QString() : Qs("未找到"_gbk));
  return found;
}

// --- Time stamps and the hex view ---------------------------------------------

void CViewSerial::SetTimestamps(bool on) {
  timestamps_->setChecked(on);
  FlushReceived();  // what came before the click shows as it was
  transcript_.SetTimestamps(on);
}

void CViewSerial::SetHexView(bool on) {
  hex_view_->setChecked(on);
  FlushReceived();
  transcript_.SetHex(on);
}

// --- The log file ----------------------------------------------------------------

bool CViewSerial::SetLogging(bool on) {
  if (!on) {
    log_box_->setChecked(false);
    // Everything that came before the click, a row or character still
    // waiting included, is in the file before it closes.
    TakeEvents();
    transcript_.FlushAll();
    const TranscriptPiece piece = transcript_.Take();
    if (!piece.display.empty()) AppendReceived(piece.display);
    if (log_) log_->Append(piece.log);
    StopLog();
    return true;
  }
  if (log_) return true;
  FlushReceived();  // what came before the click is not logged
  std::string port = frame().Port().OpenedPortName();
  if (port.empty()) port = frame().Settings().Get().port_name;
  auto log = std::make_unique<TerminalLog>(log_folder_, port);
  if (!log->Open()) {
    log_box_->setChecked(false);
    ShowMessageBox(this, Format(terminal_texts::kLogOpenFailed, GbkPath(log_folder_) + ": " + std::strerror(log->Error())),
                   terminal_texts::kNoticeCaption, MessageIcon::kError);
    return false;
  }
  log_ = std::move(log);
  log_box_->setChecked(true);
  transcript_.SetLogging(true);
  ShowLogPath();
  frame().AddLogLine(Format(terminal_texts::kLogStarted, GbkPath(log_path_)));
  return true;
}

void CViewSerial::StopLog() {
  transcript_.SetLogging(false);
  if (!log_) return;
  log_->Close();
  last_log_files_ = log_->Files();
  log_.reset();
}

void CViewSerial::CheckLog() {
  if (!log_) return;
  if (log_->Failed()) {
    const std::string path = log_->CurrentPath();
    StopLog();
    log_box_->setChecked(false);
    ShowMessageBox(this, Format(terminal_texts::kLogWriteFailed, GbkPath(path)), terminal_texts::kNoticeCaption,
                   MessageIcon::kError);
    return;
  }
  // A full file was followed by a new one.
  if (log_->CurrentPath() != log_path_) ShowLogPath();
}

void CViewSerial::ShowLogPath() {
  log_path_ = log_->CurrentPath();
  const QString path = QString::fromStdString(log_path_).toHtmlEscaped();
  log_path_label_->setText(QStringLiteral("<a href=\"log\">%1</a>").arg(path));
  log_path_label_->setToolTip(Qs("点击打开日志文件"_gbk));
  log_path_label_->show();
}

std::vector<std::string> CViewSerial::LogFiles() const { return log_ ? log_->Files() : last_log_files_; }

void CViewSerial::OpenLogFile() {
  if (!log_path_.empty()) QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(log_path_)));
}

}  // namespace zt::ui
