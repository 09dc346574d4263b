// QuickSendPanel: the column of eleven stored commands beside the AT
// terminal's receive box. Each row has a HEX mark, a text and a numbered
// button; "自动循环发送,间隔：" sends the filled rows over and over with the
// interval as the pause before each send. The rows, marks and interval live
// in "cmd.ini" in the current folder.
//
// The sending runs on the panel's QuickSendSender threads; the widgets push
// every change of a row to it, so those threads never touch a widget.
// UI thread only (the threads are the sender's).
#pragma once

#include <QWidget>
#include <array>
#include <string>

#include "terminal/quick_send_file.h"
#include "terminal/quick_send_sender.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace zt {
class CSerialPort;
}

namespace zt::ui {

class QuickSendPanel : public QWidget {
  Q_OBJECT

 public:
  // `file_path` is the panel's cmd.ini. Nothing is read until Load.
  // `note` hears of every block sent (see QuickSendSender).
  QuickSendPanel(CSerialPort& port, std::string file_path, QWidget* parent,
                 QuickSendSender::SentNote note = {});
  ~QuickSendPanel() override;  // Shutdown

  // Fills the rows and the interval from the file (an absent file changes
  // nothing).
  void Load();
  // Writes the rows and the interval to a fresh file; an unwritable file is
  // skipped silently.
  void Save();
  // The contents as the widgets hold them.
  QuickSendContents Contents() const;

  // Button `n` (1 to 11).
  void SendRow(int n);
  // The terminal's "发送新行" box.
  void SetNewLine(bool new_line) { sender_.SetNewLine(new_line); }
  // Ends cycling and manual sends and joins their threads (the panel then
  // sends nothing more).
  void Shutdown() { sender_.Shutdown(); }

  const QuickSendSender& Sender() const { return sender_; }
  QCheckBox* HexMark(int n) const { return rows_.at(static_cast<std::size_t>(n - 1)).hex; }
  QLineEdit* RowEdit(int n) const { return rows_.at(static_cast<std::size_t>(n - 1)).edit; }
  QPushButton* RowButton(int n) const { return rows_.at(static_cast<std::size_t>(n - 1)).button; }
  QCheckBox* CycleBox() const { return cycle_; }
  QLineEdit* IntervalEdit() const { return interval_; }

 signals:
  // The terminal's send-period edit is to be enabled (cycling stopped) or
  // disabled (cycling asked for).
  void sendPeriodEnabled(bool enabled);

 protected:
  // Enter and Esc inside the panel neither press a button nor go further.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct RowWidgets {
    QCheckBox* hex = nullptr;
    QLineEdit* edit = nullptr;
    QPushButton* button = nullptr;
  };

  void PushRow(int index);
  void OnCycleClicked(bool checked);

  QuickSendSender sender_;
  std::string file_path_;
  std::array<RowWidgets, kQuickSendRows> rows_;
  QCheckBox* cycle_ = nullptr;
  QLineEdit* interval_ = nullptr;
};

}  // namespace zt::ui
