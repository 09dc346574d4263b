// Driving modal dialogs and message boxes from a test: the test arms a
// responder before the code that opens the dialog runs; the responder acts
// on the first modal widget that shows up.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

namespace zt::shelltest {

// What a responder saw.
struct ModalSeen {
  bool seen = false;
  QString class_name;
  QString title;
  QString text;   // a message box's text
  int icon = -1;  // a message box's QMessageBox::Icon
};

class ModalResponder {
 public:
  // Polls for a modal widget for up to `limit_ms`; runs `act` on the first.
  ModalResponder(std::function<void(QWidget*)> act, int limit_ms = 10000);
  ~ModalResponder();
  ModalResponder(const ModalResponder&) = delete;
  ModalResponder& operator=(const ModalResponder&) = delete;

  const ModalSeen& seen() const { return *seen_; }

 private:
  struct State;
  std::shared_ptr<State> state_;
  std::shared_ptr<ModalSeen> seen_;
};

// A responder that presses `button` of the message box that shows up.
std::unique_ptr<ModalResponder> AnswerMessageBox(QMessageBox::StandardButton button, int limit_ms = 10000);

// Processes events until `done` holds or `limit_ms` passes.
bool WaitFor(const std::function<bool()>& done, int limit_ms = 10000);

}  // namespace zt::shelltest
