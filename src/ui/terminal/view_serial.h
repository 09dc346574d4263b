// CViewSerial: the AT terminal page (view id 131), a plain serial terminal on
// the port the frame has opened. What the DTU sends shows in the receive
// box; the operator sends the input line as text or hexadecimal bytes, once
// or on a timer, Ctrl+Z after an SMS text, or single keys typed into the
// receive box. It also changes the open port's line settings, saves the
// received text and opens the quick-send panel beside the receive box.
//
// Options that leave the page as it always was while they are off: "时间戳"
// (each received line and each sent block, marked "→", starts with the time
// its first byte came), "HEX显示" (received bytes as hex rows from then on),
// "保存日志" (what the box shows, and every sent block, goes to a log file
// whose path the page shows and opens). Up and Down in the input line walk
// the history of sent lines (at_history.ini); Ctrl+F finds text in the
// receive box; "命令序列..." edits a command sequence (at_sequence.ini) and
// "运行序列" runs it, with its progress, until it ends or is stopped.
//
// Threads: the page lives on the UI thread. Its receive thread (a
// TerminalReceiver) reads the port from InitialUpdate on; a 40 ms timer on
// the UI thread moves what it read into the box in one go. The page retires
// when the frame takes it out of the window (a view switch or the shutdown)
// or when it is destroyed, whichever comes first: a running sequence, the
// receive thread and the quick-send threads are stopped and joined, the log
// is written out and closed, and the quick-send panel is saved unless the
// operator has confirmed the exit (the frame saved it before asking).
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <vector>

#include "terminal/command_history.h"
#include "terminal/command_sequence.h"
#include "terminal/line_settings.h"
#include "terminal/sequence_runner.h"
#include "terminal/terminal_transcript.h"
#include "ui/shell/view_base.h"

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;

namespace zt {
class TerminalLog;
class TerminalReceiver;
}

namespace zt::ui {

class QuickSendPanel;

class CViewSerial : public CViewBase {
  Q_OBJECT

 public:
  static constexpr int kFlushPeriodMs = 40;

  CViewSerial(IFrameContext& frame, QWidget* parent);
  ~CViewSerial() override;

  int ViewId() const override { return kViewSerial; }
  // Starts the receive thread and fills the quick-send panel from cmd.ini.
  void InitialUpdate() override;

  // "发送" and Enter in the input line.
  void SendInput();
  // Each tick of the send timer.
  void TimedSend();
  // "清空窗口": the box holds a single blank.
  void ClearReceived();
  // "保存信息": the bytes the box shows, to a ".txt" file of the operator's choice.
  void SaveReceived();
  // "扩展" / "收缩".
  void TogglePanel();
  // A line-settings list changed to the entry `gbk_text`.
  void ChangeLineSetting(LineList list, std::string_view gbk_text);
  // Adds received GBK bytes to the box (emptied first once it holds 500 lines;
  // a line without end shows in pieces of 1024 bytes).
  void AppendReceived(std::string_view gbk);
  // The quick-send panel to cmd.ini (the frame's save before the exit question).
  void SaveQuickSend();
  // The exit command: the panel is not saved when the page goes.
  void EndWithoutSaving() override { save_when_retired_ = false; }

  // "时间戳", "HEX显示" and "保存日志" (ticked or cleared as the boxes do).
  void SetTimestamps(bool on);
  void SetHexView(bool on);
  // False (after telling the operator) when the log file cannot be created.
  bool SetLogging(bool on);
  // Where the log files go: the logs/ folder of the data folder unless a test
  // or a benchmark says otherwise. Before "保存日志" is ticked.
  void SetLogFolder(std::string folder) { log_folder_ = std::move(folder); }
  // The log file written now, or the last one; empty before the first.
  std::string LogPath() const { return log_path_; }
  // Every file of the log written now or last, in order.
  std::vector<std::string> LogFiles() const;
  // Opens the log file shown (the system's viewer).
  void OpenLogFile();

  // Ctrl+F: the find bar under the receive box. FindNext looks from the
  // caret on, then from the top; false when the text is nowhere.
  void ShowFind();
  bool FindNext();

  // "命令序列..." and "运行序列" / "停止序列".
  void EditSequence();
  void RunOrStopSequence();
  const CommandSequence& Sequence() const { return sequence_; }
  SequenceStatus SequenceRunStatus() const { return runner_.Status(); }

  // The save dialog: returns the chosen path, empty when cancelled. Tests
  // replace it.
  using SaveFileChooser = std::function<QString(QWidget* parent)>;
  void SetSaveFileChooser(SaveFileChooser chooser) { choose_save_file_ = std::move(chooser); }

  // What the page holds, for the frame's tests and the benchmarks.
  const std::string& ShownBytes() const { return shown_; }
  std::uint64_t BytesRead() const;
  // Every received byte that went into the box since the start (the time
  // stamps and hex digits shown for them not counted).
  std::uint64_t BytesShown() const { return transcript_.ReceivedShown(); }
  bool ReceiveThreadRunning() const;
  QuickSendPanel* Panel() const { return panel_; }
  QPlainTextEdit* ReceiveBox() const { return receive_box_; }
  QLineEdit* InputLine() const { return input_; }
  QTimer* SendTimer() const { return send_timer_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void BuildLayout();
  void BuildOptionRow(QBoxLayout* page);
  void BuildFindBar(QBoxLayout* page);
  QComboBox* MakeLineList(LineList list, const char* object_name);
  // The receive thread's events into the transcript.
  void TakeEvents();
  void FlushReceived();
  void Write(std::string_view bytes);
  void ShowInputError(std::string_view text);
  // Keys in the input line and the receive box; true when the key is used up.
  bool FilterKeys(QObject* watched, QKeyEvent* key);
  void OnTimedClicked(bool checked);
  void OnHexClicked(bool checked);
  void OnNewLineClicked(bool checked);
  void CheckLog();
  void StopLog();
  void ShowLogPath();
  void UpdateSequenceProgress();
  void Retire();

  QPlainTextEdit* receive_box_ = nullptr;
  QLineEdit* input_ = nullptr;
  QLineEdit* period_ = nullptr;
  QCheckBox* new_line_ = nullptr;
  QCheckBox* hex_ = nullptr;
  QCheckBox* timed_ = nullptr;
  QPushButton* send_ = nullptr;
  QPushButton* clear_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* expand_ = nullptr;
  QuickSendPanel* panel_ = nullptr;
  QTimer* send_timer_ = nullptr;
  QTimer* flush_timer_ = nullptr;
  QCheckBox* timestamps_ = nullptr;
  QCheckBox* hex_view_ = nullptr;
  QCheckBox* log_box_ = nullptr;
  QLabel* log_path_label_ = nullptr;
  QWidget* find_bar_ = nullptr;
  QLineEdit* find_edit_ = nullptr;
  QLabel* find_status_ = nullptr;
  QPushButton* sequence_edit_ = nullptr;
  QPushButton* sequence_run_ = nullptr;
  QProgressBar* sequence_progress_ = nullptr;
  QLabel* sequence_status_ = nullptr;

  std::unique_ptr<TerminalReceiver> receiver_;
  TerminalTranscript transcript_;
  std::unique_ptr<TerminalLog> log_;
  std::string log_folder_;
  std::string log_path_;
  std::vector<std::string> last_log_files_;
  CommandHistory history_;
  CommandSequence sequence_;
  std::string sequence_path_;
  SequenceRunner runner_;
  bool sequence_shown_running_ = false;
  std::string shown_;             // the bytes the box shows
  std::size_t shown_column_ = 0;  // bytes of the box's last line
  bool started_ = false;
  bool retired_ = false;
  bool save_when_retired_ = true;
  SaveFileChooser choose_save_file_;
};

}  // namespace zt::ui
