#include "ui/config/config_file_commands.h"

#include <QFileDialog>

#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"

namespace zt::ui {

using namespace zt::literals;

QString ConfigFileFilter() { return Qs("配置文件(*.ini)"_gbk); }

QString DefaultConfigFileName(FileVariant variant) {
  return variant == FileVariant::kS3 ? QStringLiteral("config_s3") : QStringLiteral("config_s2");
}

std::optional<QString> ChooseConfigFileWithDialog(QWidget* parent,
                                                  const ConfigFileDialogRequest& request) {
  QFileDialog dialog(parent);
  dialog.setNameFilter(request.filter);
  if (request.kind == ConfigFileDialogRequest::Kind::kSave) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The name gets its ".ini" before the overwrite question, so the question
    // is about the file that will be written.
    dialog.setDefaultSuffix(QStringLiteral("ini"));
    dialog.selectFile(request.default_name);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.front();
}

}  // namespace zt::ui
