// Message boxes of the window: the core's IMessageBox and ICatalogueErrors on
// Qt, and the shell's own questions.
//
// Every box is modal over the main window, has the object name
// "message_box" (tests find it as the active modal widget) and the button
// texts a Chinese Windows shows ("确定", "取消", "是(&Y)", "否(&N)").
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string_view>

#include "common/message_box.h"
#include "params/catalogue_loader.h"

namespace zt::ui {

enum class QuestionButtons { kYesNo, kOkCancel };

// Shows a box with one "确定" button and returns when it is closed. UI thread.
void ShowMessageBox(QWidget* parent, std::string_view text, std::string_view caption, MessageIcon icon);

// Asks a question; true for "是" / "确定". UI thread.
bool AskQuestion(QWidget* parent, std::string_view text, std::string_view caption, QuestionButtons buttons,
                 MessageIcon icon);

// The core's message boxes. Any thread: a call from another thread waits
// until the operator has closed the box on the UI thread.
class QtMessageBox final : public IMessageBox {
 public:
  explicit QtMessageBox(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;

 private:
  QPointer<QWidget> parent_;
};

// The catalogue's messages. A fatal error shows its text, then ends the
// program through `end_program` (the event loop's exit with status 2 by
// default) and returns, so the load in progress simply fails. Capacity
// errors go to `file_error_sink` (the run log). Any thread.
class QtCatalogueErrors final : public ICatalogueErrors {
 public:
  static constexpr int kFatalExitCode = 2;

  QtCatalogueErrors(IMessageBox& messages, std::function<void(std::string_view)> file_error_sink);

  void ShowCatalogueMessage(std::string_view gbk) override;
  void CatalogueFatal(std::string_view gbk) override;
  void CatalogueFileError(std::string_view gbk) override;

  // Replaces the way the program ends (tests).
  void SetEndProgram(std::function<void(int)> end_program) { end_program_ = std::move(end_program); }

 private:
  IMessageBox& messages_;
  std::function<void(std::string_view)> file_error_sink_;
  std::function<void(int)> end_program_;
};

}  // namespace zt::ui
