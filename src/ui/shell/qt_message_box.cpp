#include "ui/shell/qt_message_box.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <string>

#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/shell/shell_texts.h"
#include "ui/shell/ui_thread.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

QMessageBox::Icon QtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kError:
      return QMessageBox::Critical;
    case MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case MessageIcon::kQuestion:
      return QMessageBox::Question;
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

void NameButton(QMessageBox& box, QMessageBox::StandardButton which, std::string_view gbk) {
  if (QAbstractButton* button = box.button(which)) button->setText(Qs(gbk));
}

}  // namespace

void ShowMessageBox(QWidget* parent, std::string_view text, std::string_view caption, MessageIcon icon) {
  QMessageBox box(QtIcon(icon), Qs(caption), Qs(text), QMessageBox::Ok, parent);
  box.setObjectName(QStringLiteral("message_box"));
  NameButton(box, QMessageBox::Ok, "确定"_gbk);
  box.exec();
}

bool AskQuestion(QWidget* parent, std::string_view text, std::string_view caption, QuestionButtons buttons,
                 MessageIcon icon) {
  const bool yes_no = buttons == QuestionButtons::kYesNo;
  const QMessageBox::StandardButton accept = yes_no ? QMessageBox::Yes : QMessageBox::Ok;
  const QMessageBox::StandardButton reject = yes_no ? QMessageBox::No : QMessageBox::Cancel;
  QMessageBox box(QtIcon(icon), Qs(caption), Qs(text), accept | reject, parent);
  box.setObjectName(QStringLiteral("message_box"));
  NameButton(box, accept, yes_no ? "是(&Y)"_gbk : "确定"_gbk);
  NameButton(box, reject, yes_no ? "否(&N)"_gbk : "取消"_gbk);
  box.setDefaultButton(accept);
  box.setEscapeButton(reject);
  return box.exec() == accept;
}

void QtMessageBox::ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) {
  // The texts may live on the caller's stack; the caller waits, so they do.
  RunOnUiThread([&] { ShowMessageBox(parent_.data(), text, caption, icon); });
}

QtCatalogueErrors::QtCatalogueErrors(IMessageBox& messages,
                                     std::function<void(std::string_view)> file_error_sink)
    : messages_(messages), file_error_sink_(std::move(file_error_sink)), end_program_([](int code) {
        // Queued, so that an exit asked for before the event loop runs still
        // ends it as soon as it starts.
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr) return;
        QMetaObject::invokeMethod(
            app, [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
      }) {}

void QtCatalogueErrors::ShowCatalogueMessage(std::string_view gbk) {
  messages_.ShowMessage(gbk, kAppName, MessageIcon::kExclamation);
}

void QtCatalogueErrors::CatalogueFatal(std::string_view gbk) {
  messages_.ShowMessage(gbk, kAppName, MessageIcon::kError);
  if (end_program_) end_program_(kFatalExitCode);
}

void QtCatalogueErrors::CatalogueFileError(std::string_view gbk) {
  if (!file_error_sink_) return;
  const std::string line(gbk);
  RunOnUiThread([&] { file_error_sink_(line); });
}

}  // namespace zt::ui
