#include "ui/shell/dev_autorun.h"

#include <QCoreApplication>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "ui/shell/main_frame.h"
#include "worker/config_messages.h"

namespace zt::ui {
namespace {

// Time for the page to paint the values after the last report.
constexpr int kSettleMs = 800;
constexpr int kIdlePollMs = 100;

}  // namespace

DevAutoRun::DevAutoRun(CMainFrame& frame, std::optional<QString> screenshot_file)
    : QObject(&frame), frame_(frame), screenshot_file_(std::move(screenshot_file)) {
  connect(&frame_, &CMainFrame::workerCommandFinished, this, &DevAutoRun::OnCommandFinished);
}

void DevAutoRun::Start() {
  // The limit also ends a message box that would wait for an operator.
  if (screenshot_file_) QTimer::singleShot(kConnectLimitMs, this, [this] { Finish(false); });
  QTimer::singleShot(0, this, [this] {
    if (!frame_.OnOpenPort()) {
      Finish(false);
      return;
    }
    frame_.OnConnectDtu();
  });
}

void DevAutoRun::OnCommandFinished(unsigned message, bool succeeded) {
  if (message != WM_CFG_CONNECT || finished_) return;
  connect_succeeded_ = succeeded;
  // The DTU may report another mode, and the page then queries again: wait
  // for the worker to run out of work.
  WaitUntilIdle();
}

void DevAutoRun::WaitUntilIdle() {
  if (finished_) return;
  if (!frame_.WorkerIsIdle()) {
    QTimer::singleShot(kIdlePollMs, this, [this] { WaitUntilIdle(); });
    return;
  }
  QTimer::singleShot(kSettleMs, this, [this] { Finish(connect_succeeded_); });
}

void DevAutoRun::Finish(bool succeeded) {
  if (finished_) return;
  finished_ = true;
  if (!screenshot_file_) return;  // --connect alone: the window stays
  const QPixmap picture = frame_.grab();
  if (!picture.save(*screenshot_file_, "PNG")) {
    std::fprintf(stderr, "zereltool: cannot write %s\n", screenshot_file_->toLocal8Bit().constData());
    succeeded = false;
  }
  QCoreApplication::exit(succeeded ? 0 : 1);
}

}  // namespace zt::ui
