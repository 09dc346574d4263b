// Configuration files: a snapshot of the catalogue's current values as an INI
// file, to load into the configuration view again or to configure units on
// the production line.
//
// Format (GBK text, CR LF lines): one section per group, named by the group's
// name; one entry per parameter, key = the parameter's display name, value =
// its current value exactly as stored. Nothing else: no header, no stamp. Two
// ordinary entries identify the file: "软件版本" in "系统参数" (the firmware
// generation) and "DTU通道运行模式" in "运行参数" (the channel mode token).
//
// The dialogs that choose the path stay with the front end; these functions
// take the chosen path (file-system bytes, UTF-8 on Linux) and return what to
// show: a message box (caption ConfigFileCaption(), error icon) or a run-log
// line. The file is read once and written once (an atomic save).
//
// Thread safety: any thread; the catalogue is reached through its lock, and
// no lock is held while the file is read or written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "params/shared_catalogue.h"
#include "settings/process_flags.h"

namespace zt {

// GBK "提示": the caption of every message box of import and export.
std::string_view ConfigFileCaption();
// GBK "配置文件(*.ini)|*.ini||": the filter of both dialogs.
std::string_view ConfigFileFilter();
// "config_s3" or "config_s2": the save dialog's default name.
std::string_view DefaultConfigFileName(FileVariant variant);

// The chosen path with ".ini" appended unless it is empty or already holds
// ".ini" somewhere (case-sensitive: "x.ini.bak" stays, "x.INI" gets ".ini").
std::string ExportPathFor(std::string_view chosen);

// A parameter slot of the catalogue and its entry's name in a configuration file.
struct ConfigFileSlot {
  int group = -1;
  int index = -1;
  std::string section;  // the group's name
  std::string key;      // the parameter's display name
};

struct ConfigFileOutcome {
  bool ok = false;
  std::string message;   // GBK message-box text when !ok
  std::string log_line;  // GBK run-log line when ok, ending in "\r\n"
  // Import: the slots of groups 1 to 29 whose entry the file lacks (their
  // values were cleared), in slot order.
  std::vector<ConfigFileSlot> absent;
  // Import: a second run-log line when the file lacks entries that an export
  // for the mode in force writes, "配置文件中缺少 %d 项参数, 其值已清空\r\n";
  // empty otherwise.
  std::string absent_log_line;
  // Import: the value column of the list for the group the view shows, one
  // text per parameter slot of that group (passwords as one "*" per byte);
  // empty for an export, a refusal or when no group is shown.
  std::vector<std::string> value_column;
};

// Writes ExportPathFor(chosen_path) from the groups of channel mode `mode`:
// every used group 1 to 29 except the channel groups whose channel the mode
// does not have. Every parameter is written, whatever its marks. The new file
// is written whole beside the old one and renamed over it, so a failure
// leaves the old file as it was. A link as the path: the file it names is
// replaced and the link stays.
//   "没有可导出的参数"          no catalogue loaded (nothing written)
//   "打开保存参数配置文件失败"  the file cannot be created: no room for a new
//                               file in the folder, a folder or other non-file
//                               at the path, a link that names no file
//   "写参数配置文件失败"        the file cannot be written (the old one stays)
//   ok: "导出参数到配置文件成功, 文件路径是:" + path with "/" separators + "\r\n"
// A value with blanks at either end, or enclosed in double quotes, is written
// in double quotes so that it reads back exactly; a value is written up to
// its first CR or LF, so no value can start a line of its own.
ConfigFileOutcome ExportConfigFile(const SharedCatalogue& catalogue, const std::string& chosen_path,
                                   std::int32_t mode);

// Loads the values of every used group 1 to 29 from `path` (channel groups of
// every mode; an absent entry clears the value; no check; read-only and
// constant parameters too), then gives the first common-group copy of each
// parameter (by name) the same value. Before anything is stored:
//   "请选择参数配置文件"                                   empty path
//   "无法读取参数配置文件"                                 no readable file at the path
//   "导入的配置 与当前程序版本 不匹配"                     "软件版本" of another generation
//   "即将导入的文件中 DTU通道运行模式 与当前通道模式 不匹配"  S3: no mode entry
//   "即将导入的文件中 DTU通道运行模式 与当前通道模式不匹配"   S3: another mode
//   "配置文件中 [<group>] <parameter> 的值含有控制字符, 文件未导入"
//                               the first entry holding a control byte (a value
//                               never carries one to the DTU)
//   ok: "导入参数配置文件成功, 文件名:" + path + "\r\n", and absent_log_line
// Values are read up to 511 bytes. `current_group` (-1 for none) is the group
// the view shows: its value column comes back in the outcome.
ConfigFileOutcome ImportConfigFile(SharedCatalogue& catalogue, const std::string& path,
                                   FileVariant variant, std::int32_t mode, int current_group);

// The list's value column for `group`: one text per parameter slot, a
// password as one "*" per byte. Empty for a group outside the table.
std::vector<std::string> ValueColumn(const CParamCatalogue& catalogue, int group);

}  // namespace zt
