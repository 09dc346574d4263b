#include "support/shell_modal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

namespace zt::shelltest {

struct ModalResponder::State {
  QTimer timer;
  QElapsedTimer clock;
};

ModalResponder::ModalResponder(std::function<void(QWidget*)> act, int limit_ms)
    : state_(std::make_shared<State>()), seen_(std::make_shared<ModalSeen>()) {
  state_->clock.start();
  state_->timer.setInterval(10);
  std::weak_ptr<State> weak = state_;
  std::shared_ptr<ModalSeen> seen = seen_;
  QObject::connect(&state_->timer, &QTimer::timeout, [weak, seen, act, limit_ms] {
    const std::shared_ptr<State> state = weak.lock();
    if (!state) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
      if (state->clock.elapsed() > limit_ms) state->timer.stop();
      return;
    }
    state->timer.stop();
    seen->seen = true;
    seen->class_name = QString::fromLatin1(modal->metaObject()->className());
    seen->title = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      seen->text = box->text();
      seen->icon = static_cast<int>(box->icon());
    }
    act(modal);
  });
  state_->timer.start();
}

ModalResponder::~ModalResponder() { state_->timer.stop(); }

std::unique_ptr<ModalResponder> AnswerMessageBox(QMessageBox::StandardButton button, int limit_ms) {
  return std::make_unique<ModalResponder>(
      [button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
          modal->close();
          return;
        }
        if (QAbstractButton* b = box->button(button)) {
          b->click();
        } else {
          box->reject();
        }
      },
      limit_ms);
}

bool WaitFor(const std::function<bool()>& done, int limit_ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > limit_ms) return false;
    QTest::qWait(10);
  }
  return true;
}

}  // namespace zt::shelltest
