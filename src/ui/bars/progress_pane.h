// The status bar's progress pane: while a worker command runs, a busy
// indicator (a bar that fills when the count is known), what the worker is
// doing ("设置参数 12/40", "正在取通道 2 的参数") and the time since the
// command began. Hidden while the worker is idle.
//
// UI thread only. The frame shows each progress report and clears the pane
// when the command has ended.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <string>

#include "worker/worker_progress.h"

class QLabel;
class QProgressBar;
class QTimer;

namespace zt::ui {

class CProgressPane : public QWidget {
  Q_OBJECT

 public:
  explicit CProgressPane(QWidget* parent);

  // A report of the running command; the first after a Clear starts the clock.
  void ShowProgress(const WorkerProgress& progress);
  // The command has ended: the pane hides and its text empties.
  void Clear();

  bool Busy() const { return busy_; }
  // What the pane shows: the progress text and the elapsed time; empty when idle.
  QString Text() const;

 signals:
  // The pane's text changed (empty once cleared).
  void textChanged(const QString& text);

 private:
  void Redraw();

  QProgressBar* bar_ = nullptr;
  QLabel* label_ = nullptr;
  QTimer* tick_ = nullptr;
  QElapsedTimer clock_;
  std::string progress_text_;  // GBK
  bool busy_ = false;
};

}  // namespace zt::ui
