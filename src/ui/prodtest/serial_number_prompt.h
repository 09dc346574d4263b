// The window's serial-number question: the run thread asks, the UI thread
// shows a SerialNumberDialog and hands the answer back. The dialog stops the
// run, not the window: "停止" stays within reach while it is open, and Stop
// closes it.
//
// Threads: AskSerialNumbers on the run thread (it waits, the UI thread does
// not); Cancel from any thread; everything else on the UI thread, where the
// prompt lives.
#pragma once

#include <QObject>
#include <QPointer>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

#include "prodtest/test_view.h"

class QWidget;

namespace zt::ui {

class SerialNumberDialog;

class QtSerialNumberPrompt : public QObject, public ISerialNumberPrompt {
  Q_OBJECT

 public:
  // The dialogs are children of `owner` (the test view).
  explicit QtSerialNumberPrompt(QWidget* owner);
  ~QtSerialNumberPrompt() override;

  std::optional<SerialNumbers> AskSerialNumbers(const std::atomic<bool>& cancel) override;
  void Cancel() override;

  // The dialog on screen, if any (UI thread).
  SerialNumberDialog* OpenDialog() const { return dialog_.data(); }
  // After this no dialog opens any more and every question ends unanswered.
  void Shutdown();

 signals:
  // A dialog was shown (UI thread).
  void dialogShown(zt::ui::SerialNumberDialog* dialog);

 private:
  void Open(unsigned ticket);
  void Answer(unsigned ticket, std::optional<SerialNumbers> numbers);
  void CloseDialog();

  QWidget* owner_;
  QPointer<SerialNumberDialog> dialog_;

  std::mutex mutex_;
  std::condition_variable answered_changed_;
  unsigned ticket_ = 0;  // the question being asked
  bool answered_ = false;
  bool shut_down_ = false;
  std::optional<SerialNumbers> answer_;
};

}  // namespace zt::ui
