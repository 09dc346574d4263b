#include "configfile/config_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <optional>

#include "params/channel_modes.h"
#include "text/atomic_file.h"
#include "text/control_bytes.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"
#include "text/profile_file.h"
#include "text/strformat.h"
#include "worker/firmware_version.h"

namespace zt {

using namespace zt::literals;

namespace {

// Profile reads hand back at most 511 bytes, as a 512-byte buffer would.
constexpr std::size_t kValueBuffer = 512;

std::string_view VersionSection() { return "系统参数"_gbk; }
std::string_view VersionKey() { return "软件版本"_gbk; }
std::string_view ModeSection() { return "运行参数"_gbk; }
std::string_view ModeKey() { return "DTU通道运行模式"_gbk; }

ConfigFileOutcome Refused(std::string_view message) {
  ConfigFileOutcome outcome;
  outcome.message = std::string(message);
  return outcome;
}

// The entry's value cut to the buffer, or nothing when the file lacks it.
std::optional<std::string> ReadEntry(const ProfileFile& file, std::string_view section,
                                     std::string_view key) {
  std::optional<std::string> value = file.Get(section, key);
  if (value && value->size() > kValueBuffer - 1) value->resize(kValueBuffer - 1);
  return value;
}

std::string ReadValue(const ProfileFile& file, std::string_view section, std::string_view key) {
  return ReadEntry(file, section, key).value_or(std::string());
}

// The groups an export for the mode writes: every group but the channel
// groups whose channel the mode does not have.
bool ExportedForMode(const CParamCatalogue& c, const ParamGroup& group, std::int32_t mode) {
  return group.chn < 1 || c.channels.HasChannel(mode, group.chn);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The profile reader trims blanks around a value and takes the inside of
// enclosing double quotes; quoting such values keeps them as they are.
std::string FileFormOf(std::string_view value) {
  value = value.substr(0, value.find_first_of("\r\n"));
  const bool blank_at_end = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
  const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
  if (!blank_at_end && !quoted) return std::string(value);
  return "\"" + std::string(value) + "\"";
}

struct Entry {
  std::string section;
  std::string key;
  std::string value;
};

// The entries of the groups the mode in force uses, in slot order, copied
// under the read lock so that the file is written outside it.
std::vector<Entry> EntriesToExport(const CParamCatalogue& c, std::int32_t mode) {
  std::vector<Entry> entries;
  for (int g = 1; g < kGroupSlots; ++g) {
    const ParamGroup& group = c.groups[static_cast<std::size_t>(g)];
    if (group.UsedCount() == 0 || !ExportedForMode(c, group, mode)) continue;
    for (int i = 0; i < group.UsedCount(); ++i) {
      const ParamDef& p = group.params[static_cast<std::size_t>(i)];
      entries.push_back({group.name, p.name, p.value});
    }
  }
  return entries;
}

// The file an export replaces: the chosen path, or, when that is a link, the
// file the link names (the link stays a link). Nothing when the path names
// something other than a file that may be written, or a link that leads to
// no such file: a link never makes a new file appear where it points.
std::optional<std::string> ExportTarget(const std::string& path) {
  if (path.empty()) return std::nullopt;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return path;  // a new file (or a folder that is missing: the write says so)
    return std::nullopt;
  }
  std::string target = path;
  if (S_ISLNK(st.st_mode)) {
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    if (!real || ::stat(real.get(), &st) != 0) return std::nullopt;
    target = real.get();
  }
  if (!S_ISREG(st.st_mode)) return std::nullopt;
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return std::nullopt;
  return target;
}

// The mode check of a later-generation file; empty when it passes.
std::string_view ModeRefusal(const ProfileFile& file, std::int32_t mode) {
  const std::string token = ReadValue(file, ModeSection(), ModeKey());
  if (token.empty()) return "即将导入的文件中 DTU通道运行模式 与当前通道模式 不匹配"_gbk;
  if (token != ModeToken(mode)) return "即将导入的文件中 DTU通道运行模式 与当前通道模式不匹配"_gbk;
  return {};
}

}  // namespace

std::string_view ConfigFileCaption() { return "提示"_gbk; }
std::string_view ConfigFileFilter() { return "配置文件(*.ini)|*.ini||"_gbk; }
std::string_view DefaultConfigFileName(FileVariant variant) {
  return variant == FileVariant::kS2 ? "config_s2" : "config_s3";
}

std::string ExportPathFor(std::string_view chosen) {
  std::string path(chosen);
  if (!path.empty() && path.find(".ini") == std::string::npos) path += ".ini";
  return path;
}

ConfigFileOutcome ExportConfigFile(const SharedCatalogue& catalogue, const std::string& chosen_path,
                                   std::int32_t mode) {
  const std::string path = ExportPathFor(chosen_path);
  const std::vector<Entry> entries =
      catalogue.Read([&](const CParamCatalogue& c) { return EntriesToExport(c, mode); });
  // No catalogue loaded: an empty file would pass for an export.
  if (entries.empty()) return Refused("没有可导出的参数"_gbk);
  const std::optional<std::string> target = ExportTarget(path);
  if (!target) return Refused("打开保存参数配置文件失败"_gbk);

  ProfileFile file;
  for (const Entry& e : entries) file.Set(e.section, e.key, FileFormOf(e.value));
  // The new file is written whole beside the old one, then renamed over it.
  switch (ReplaceFileAtomically(*target, file.Text())) {
    case AtomicWriteResult::kWritten:
      break;
    case AtomicWriteResult::kNotCreated:
      return Refused("打开保存参数配置文件失败"_gbk);
    case AtomicWriteResult::kNotWritten:
      return Refused("写参数配置文件失败"_gbk);
  }

  std::string shown = Utf8ToGbkLossy(path);
  std::replace(shown.begin(), shown.end(), '\\', '/');
  ConfigFileOutcome outcome;
  outcome.ok = true;
  outcome.log_line = std::string("导出参数到配置文件成功, 文件路径是:"_gbk) + shown + "\r\n";
  return outcome;
}

ConfigFileOutcome ImportConfigFile(SharedCatalogue& catalogue, const std::string& path, FileVariant variant,
                                   std::int32_t mode, int current_group) {
  if (path.empty()) return Refused("请选择参数配置文件"_gbk);
  const std::optional<ProfileFile> loaded = ProfileFile::LoadExisting(path);
  if (!loaded) return Refused("无法读取参数配置文件"_gbk);
  const ProfileFile& file = *loaded;

  const bool file_s3 = IsS3Version(ReadValue(file, VersionSection(), VersionKey()));
  if (file_s3 != (variant == FileVariant::kS3)) return Refused("导入的配置 与当前程序版本 不匹配"_gbk);
  if (variant == FileVariant::kS3) {
    if (const std::string_view refusal = ModeRefusal(file, mode); !refusal.empty()) return Refused(refusal);
  }

  // Read every entry outside the lock, then store them all under one write
  // lock; a slot whose parameter changed meanwhile (a reload) is left alone.
  struct Slot {
    ConfigFileSlot where;
    bool exported_for_mode = false;
    std::optional<std::string> value;
  };
  std::vector<Slot> slots = catalogue.Read([&](const CParamCatalogue& c) {
    std::vector<Slot> all;
    for (int g = 1; g < kGroupSlots; ++g) {
      const ParamGroup& group = c.groups[static_cast<std::size_t>(g)];
      for (int i = 0; i < group.UsedCount(); ++i) {
        const ConfigFileSlot where{g, i, group.name, group.params[static_cast<std::size_t>(i)].name};
        all.push_back({where, ExportedForMode(c, group, mode), std::nullopt});
      }
    }
    return all;
  });
  ConfigFileOutcome outcome;
  int absent_for_mode = 0;
  for (Slot& s : slots) {
    s.value = ReadEntry(file, s.where.section, s.where.key);
    if (s.value && HasControlByte(*s.value)) {
      // It would end the command that carries the value and start another.
      return Refused(
          Format("配置文件中 [%s] %s 的值含有控制字符, 文件未导入"_gbk, s.where.section, s.where.key));
    }
    if (s.value) continue;
    outcome.absent.push_back(s.where);
    if (s.exported_for_mode) ++absent_for_mode;
  }

  outcome.value_column = catalogue.Write([&](CParamCatalogue& c) {
    ParamGroup& common = c.groups[kCommonGroup];
    for (const Slot& s : slots) {
      ParamDef* p = c.Param(s.where.group, s.where.index);
      if (p == nullptr || p->name != s.where.key ||
          c.groups[static_cast<std::size_t>(s.where.group)].name != s.where.section) {
        continue;
      }
      p->value = s.value.value_or(std::string());
      for (int k = 0; k < common.UsedCount(); ++k) {
        ParamDef& copy = common.params[static_cast<std::size_t>(k)];
        if (copy.name == p->name) {
          copy.value = p->value;
          break;
        }
      }
    }
    return ValueColumn(c, current_group);
  });
  outcome.ok = true;
  outcome.log_line = std::string("导入参数配置文件成功, 文件名:"_gbk) + Utf8ToGbkLossy(path) + "\r\n";
  if (absent_for_mode > 0) {
    outcome.absent_log_line = Format("配置文件中缺少 %d 项参数, 其值已清空\r\n"_gbk, absent_for_mode);
  }
  return outcome;
}

std::vector<std::string> ValueColumn(const CParamCatalogue& catalogue, int group) {
  std::vector<std::string> column;
  const ParamGroup* g = catalogue.Group(group);
  if (g == nullptr) return column;
  for (int i = 0; i < g->UsedCount(); ++i) {
    const ParamDef& p = g->params[static_cast<std::size_t>(i)];
    column.push_back(p.is_password ? std::string(p.value.size(), '*') : p.value);
  }
  return column;
}

}  // namespace zt
