#include "ui/config/config_file_commands.h"

#include <QFileDialog>

#include "configfile/config_file.h"
#include "ui/common/qt_text.h"

namespace zt::ui {

QString QtNameFilter(std::string_view gbk_filter) {
  const QStringList parts = Qs(gbk_filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    if (description.isEmpty()) break;  // the "||" that ends the list
    QString pattern = parts[i + 1];
    pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << (description.contains(QLatin1Char('('))
                    ? description
                    : description + QStringLiteral(" (") + pattern + QLatin1Char(')'));
  }
  return filters.join(QStringLiteral(";;"));
}

ConfigFileDialogRequest ExportDialogRequest(FileVariant variant) {
  ConfigFileDialogRequest request;
  request.kind = ConfigFileDialogRequest::Kind::kSave;
  request.default_name = Qs(DefaultConfigFileName(variant));
  request.filter = QtNameFilter(ConfigFileFilter());
  return request;
}

ConfigFileDialogRequest ImportDialogRequest() {
  ConfigFileDialogRequest request;
  request.kind = ConfigFileDialogRequest::Kind::kOpen;
  request.filter = QtNameFilter(ConfigFileFilter());
  return request;
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
