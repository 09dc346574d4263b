// The serial-number questions of several ports tested at once: one dialog at
// a time, its title naming the port it is for, the other ports' questions
// waiting their turn in the order they were asked. What the operator scans
// therefore goes to the port whose unit waits in the dialog on screen.
// Stopping a port ends its question (and closes its dialog, or takes it out
// of the queue) within about 100 ms; the others stay.
//
// Threads: the questions are asked on the runs' threads (they wait, the UI
// thread does not); Cancel from any thread; the dialogs, Shutdown and the
// readers on the UI thread, where the queue lives.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "prodtest/test_view.h"

class QWidget;

namespace zt::ui {

class SerialNumberDialog;

class StationPromptQueue : public QObject {
  Q_OBJECT

 public:
  // The dialogs are children of `owner` (the page).
  explicit StationPromptQueue(QWidget* owner);
  ~StationPromptQueue() override;

  // The question of the port `port_label` names (shown in the title). The
  // prompt must not outlive the queue.
  std::unique_ptr<ISerialNumberPrompt> PromptFor(const QString& port_label);

  // The dialog on screen and the port it is for (UI thread).
  SerialNumberDialog* OpenDialog() const;
  QString OpenDialogPort() const;
  // Questions asked and not answered yet, the one on screen included.
  int Waiting() const;
  // After this no dialog opens any more and every question ends unanswered.
  void Shutdown();

  // "扫描序列号 - <port>".
  static QString TitleFor(const QString& port_label);

 signals:
  // A dialog was shown (UI thread).
  void dialogShown(zt::ui::SerialNumberDialog* dialog);

 private:
  class Prompt;
  struct Question {
    unsigned id = 0;
    QString port;
  };

  std::optional<SerialNumbers> Ask(const QString& port, const std::atomic<bool>& cancel);
  void WakeAll();
  void ShowNext();
  void Answer(unsigned id, std::optional<SerialNumbers> numbers);
  void CloseDialog(unsigned id);

  QWidget* owner_;
  QPointer<SerialNumberDialog> dialog_;
  unsigned dialog_id_ = 0;  // the question of the dialog on screen (UI thread)
  QString dialog_port_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Question> waiting_;  // asked, not on screen yet
  unsigned shown_ = 0;            // the question on screen (or on its way), 0 for none
  std::map<unsigned, std::optional<SerialNumbers>> answers_;
  unsigned next_id_ = 0;
  bool shut_down_ = false;
};

}  // namespace zt::ui
