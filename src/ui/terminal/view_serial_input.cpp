// The AT terminal page: what the operator sends (the input line, the send
// timer, Ctrl+Z, keys typed into the receive box) and the boxes that decide
// how.
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include "serial/serial_port.h"
#include "terminal/terminal_input.h"
#include "terminal/terminal_receiver.h"
#include "terminal/terminal_texts.h"
#include "ui/common/qt_text.h"
#include "ui/shell/qt_message_box.h"
#include "ui/terminal/view_serial.h"

namespace zt::ui {
namespace {

// The character a key press types, as the system would deliver it: Ctrl with
// a letter types its control code; keys that only move or change focus, and
// Alt combinations, type nothing.
QString TypedText(const QKeyEvent& key) {
  const Qt::KeyboardModifiers mods = key.modifiers();
  if ((mods & Qt::AltModifier) != 0) return {};
  switch (key.key()) {
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return {};
    default:
      break;
  }
  if ((mods & Qt::ControlModifier) != 0 && key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z) {
    return QString(QChar(key.key() - Qt::Key_A + 1));
  }
  return key.text();
}

}  // namespace

void CViewSerial::Write(std::string_view bytes) {
  // Noted first, so the block shows (and is logged) before its answer.
  receiver_->NoteSent(bytes);
  CSerialPort& port = frame().Port();
  port.Write(port.PortLock(), bytes);
}

void CViewSerial::ShowInputError(std::string_view text) {
  ShowMessageBox(this, text, terminal_texts::kInputErrorCaption, MessageIcon::kExclamation);
}

void CViewSerial::SendInput() {
  const std::string text = Gbk(input_->text());
  const InputData input = BuildInputData(text, hex_->isChecked(), new_line_->isChecked());
  switch (input.verdict) {
    case InputVerdict::kSend:
      Write(input.bytes);
      if (history_.Add(text)) SaveHistory(BesideQuickSendFile(frame(), kHistoryFile), history_);
      break;
    case InputVerdict::kEmpty:
      input_->setFocus();
      break;
    case InputVerdict::kForeignCharacter:
      ShowInputError(terminal_texts::kForeignHexCharacter);
      input_->setFocus();
      break;
    case InputVerdict::kMalformedHex:
      ShowInputError(terminal_texts::kMalformedHex);
      break;
  }
}

void CViewSerial::TimedSend() {
  const InputData input = BuildInputData(Gbk(input_->text()), hex_->isChecked(), new_line_->isChecked());
  switch (input.verdict) {
    case InputVerdict::kSend:
      Write(input.bytes);
      break;
    case InputVerdict::kEmpty:
      break;  // the timer keeps running
    // A refused input stops the timer; "定时发送" stays ticked and the period
    // edit stays disabled until the operator clears the box. The timer stops
    // before the message, so no second tick queues another one.
    case InputVerdict::kForeignCharacter:
      send_timer_->stop();
      ShowInputError(terminal_texts::kForeignHexCharacter);
      input_->setFocus();
      break;
    case InputVerdict::kMalformedHex:
      send_timer_->stop();
      ShowInputError(terminal_texts::kMalformedHex);
      break;
  }
}

void CViewSerial::OnTimedClicked(bool checked) {
  if (checked) {
    send_timer_->start(TimerPeriodMs(ParsePeriodText(Gbk(period_->text()))));
    period_->setEnabled(false);
  } else {
    send_timer_->stop();
    period_->setEnabled(true);
  }
}

void CViewSerial::OnHexClicked(bool checked) {
  if (checked) input_->clear();
  new_line_->setEnabled(!checked);
}

void CViewSerial::OnNewLineClicked(bool checked) { hex_->setEnabled(!checked); }

bool CViewSerial::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == input_ || watched == receive_box_)) {
    if (FilterKeys(watched, static_cast<QKeyEvent*>(event))) return true;
  }
  return CViewBase::eventFilter(watched, event);
}

bool CViewSerial::FilterKeys(QObject* watched, QKeyEvent* key) {
  const bool in_input = watched == input_;
  if (in_input && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) &&
      (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    // The history of sent lines.
    const std::optional<std::string> line =
        key->key() == Qt::Key_Up ? history_.Older(Gbk(input_->text())) : history_.Newer();
    if (line) input_->setText(Qs(*line));
    return true;
  }
  if (key->key() == Qt::Key_Z && (key->modifiers() & Qt::ControlModifier) != 0) {
    // Ctrl+Z ends an SMS text: the input line's text then 0x1A, or 0x1A
    // alone from the receive box. It then goes on to the control (undo in
    // the input line), but is not sent a second time as a typed character.
    if (in_input) {
      const CtrlZData ctrl_z = BuildCtrlZData(Gbk(input_->text()), hex_->isChecked());
      if (ctrl_z.verdict == CtrlZVerdict::kSend) Write(ctrl_z.bytes);
      if (ctrl_z.verdict == CtrlZVerdict::kTooLong) ShowInputError(terminal_texts::kCommandTooLong);
    } else {
      Write(std::string_view(&kCtrlZ, 1));
    }
    return false;
  }
  const QString typed = TypedText(*key);
  if (typed.isEmpty()) return false;
  if (!in_input) {
    // The receive box stays read-only: a key typed there goes to the DTU.
    Write(Gbk(typed));
    return true;
  }
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    SendInput();
    return true;
  }
  if (hex_->isChecked()) {
    const std::string bytes = Gbk(typed);
    if (bytes.size() != 1 || !IsHexInputChar(bytes[0])) {
      ShowInputError(terminal_texts::kHexKeyRefused);
      return true;
    }
  }
  return false;
}

}  // namespace zt::ui
