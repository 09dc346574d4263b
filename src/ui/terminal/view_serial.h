// CViewSerial: the AT terminal page (view id 131), a plain serial terminal on
// the port the frame has opened. What the DTU sends shows in the receive
// box; the operator sends the input line as text or hexadecimal bytes, once
// or on a timer, Ctrl+Z after an SMS text, or single keys typed into the
// receive box. It also changes the open port's line settings, saves the
// received text and opens the quick-send panel beside the receive box.
//
// Threads: the page lives on the UI thread. Its receive thread (a
// TerminalReceiver) reads the port from InitialUpdate on; a 40 ms timer on
// the UI thread moves what it read into the box in one go. The page retires
// when the frame takes it out of the window (a view switch or the shutdown)
// or when it is destroyed, whichever comes first: the receive thread and the
// quick-send threads are stopped and joined, and the quick-send panel is
// saved unless the operator has confirmed the exit (the frame saved it
// before asking).
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "terminal/line_settings.h"
#include "ui/shell/view_base.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace zt {
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

  // The save dialog: returns the chosen path, empty when cancelled. Tests
  // replace it.
  using SaveFileChooser = std::function<QString(QWidget* parent)>;
  void SetSaveFileChooser(SaveFileChooser chooser) { choose_save_file_ = std::move(chooser); }

  // What the page holds, for the frame's tests and the benchmarks.
  const std::string& ShownBytes() const { return shown_; }
  std::uint64_t BytesRead() const;
  // Every byte that went into the box since the start.
  std::uint64_t BytesShown() const { return shown_total_; }
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
  QComboBox* MakeLineList(LineList list, const char* object_name);
  void FlushReceived();
  void Write(std::string_view bytes);
  void ShowInputError(std::string_view text);
  // Keys in the input line and the receive box; true when the key is used up.
  bool FilterKeys(QObject* watched, QKeyEvent* key);
  void OnTimedClicked(bool checked);
  void OnHexClicked(bool checked);
  void OnNewLineClicked(bool checked);
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

  std::unique_ptr<TerminalReceiver> receiver_;
  std::string shown_;             // the bytes the box shows, as received
  std::string held_;              // a GBK lead byte waiting for its second half
  std::size_t shown_column_ = 0;  // bytes of the box's last line
  std::uint64_t shown_total_ = 0;
  bool started_ = false;
  bool retired_ = false;
  bool save_when_retired_ = true;
  SaveFileChooser choose_save_file_;
};

}  // namespace zt::ui
