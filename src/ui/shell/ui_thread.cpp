#include "ui/shell/ui_thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace zt::ui {

bool OnUiThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app == nullptr || QThread::currentThread() == app->thread();
}

void RunOnUiThread(const std::function<void()>& work) {
  if (OnUiThread()) {
    work();
    return;
  }
  QMetaObject::invokeMethod(QCoreApplication::instance(), work, Qt::BlockingQueuedConnection);
}

}  // namespace zt::ui
