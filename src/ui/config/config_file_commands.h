// The window side of configuration files: the file dialogs of "导入(&I)" and
// "导出(&O)", the message boxes and run-log lines of the outcome. The files
// themselves are read and written by the core (configfile/config_file.h).
//
// UI thread only.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string_view>

#include "settings/process_flags.h"

class QWidget;

namespace zt::ui {

class IFrameContext;

// What the file dialog is asked for.
struct ConfigFileDialogRequest {
  enum class Kind { kOpen, kSave };
  Kind kind = Kind::kOpen;
  QString default_name;  // save only: "config_s3" / "config_s2"
  QString filter;        // "配置文件(*.ini)"
};

// Shows a file dialog: the chosen path, or nullopt when the operator cancelled.
using ConfigFileChooser = std::function<std::optional<QString>(const ConfigFileDialogRequest&)>;

// A filter written as "description|pattern|...||" in the form Qt's file
// dialogs take ("description (pattern);;...").
QString QtNameFilter(std::string_view gbk_filter);

// The requests of the two dialogs: the save dialog proposes "config_s3" or
// "config_s2" by the generation in force.
ConfigFileDialogRequest ExportDialogRequest(FileVariant variant);
ConfigFileDialogRequest ImportDialogRequest();

// The real dialogs (QFileDialog); the save dialog asks before overwriting.
std::optional<QString> ChooseConfigFileWithDialog(QWidget* parent,
                                                  const ConfigFileDialogRequest& request);

}  // namespace zt::ui
