#include "params/catalogue_loader.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "text/gbk_literal.h"
#include "text/numbers.h"
#include "text/strformat.h"

namespace zt {

using namespace zt::literals;

namespace {

// One read of the file takes at most this many bytes (the rest of a longer
// line is read as a line of its own).
constexpr std::size_t kLineRead = 298;
constexpr std::int32_t kAbsent = 256;  // fallback of integer keys

bool IsTrimmed(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsTrimmed(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsTrimmed(s.back())) s.remove_suffix(1);
  return s;
}

// The key map: sections and entries of every line read.
void ReadLines(std::string_view bytes, CParamCatalogue& into) {
  into.ReserveEntries(bytes.size() / 16);
  std::string section;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = pos + kLineRead < bytes.size() ? pos + kLineRead : bytes.size();
    const std::size_t newline = bytes.find('\n', pos);
    if (newline != std::string_view::npos && newline < end) end = newline + 1;
    std::string_view line = bytes.substr(pos, end - pos);
    pos = end;
    // The line is C text: a zero byte ends it.
    const std::size_t zero = line.find('\0');
    if (zero != std::string_view::npos) line = line.substr(0, zero);

    if (line.find('[') != std::string_view::npos) {
      const std::string_view header = Trim(line);
      section.assign(header.size() >= 2 ? Trim(header.substr(1, header.size() - 2)) : std::string_view());
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    // Key and value are split first and trimmed each, so an entry line that
    // starts with blanks still splits at its "=".
    const std::string_view key = Trim(line.substr(0, eq));
    const std::string_view value = Trim(line.substr(eq + 1));
    if (!key.empty() && !value.empty()) into.SetEntry(section, key, value);
  }
}

class FieldReader {
 public:
  FieldReader(const CParamCatalogue& c, FileVariant variant) : c_(c), s3_(variant == FileVariant::kS3) {}

  std::string_view Raw(std::string_view section, std::string_view key) const {
    const std::string* v = c_.FindEntry(section, key);
    return v == nullptr ? std::string_view() : std::string_view(*v);
  }
  std::string String(std::string_view section, std::string_view key) const {
    return CapString(Raw(section, key));
  }
  std::int32_t Int(std::string_view section, std::string_view key, std::int32_t fallback) const {
    return c_.ProfileGetInt(section, key, fallback);
  }
  // A flag is set only when its value reads as 1 ("1", "01", "1abc").
  bool Flag(std::string_view section, std::string_view key) const {
    return Int(section, key, kAbsent) == 1;
  }
  // S3: exactly "0x" and four hexadecimal digits; S2: decimal. 0 when unreadable.
  std::uint16_t Code(std::string_view section, std::string_view key) const {
    const std::string_view text = Raw(section, key);
    if (!s3_) return static_cast<std::uint16_t>(Atoi(text));
    if (text.size() != 6 || text[0] != '0' || text[1] != 'x') return 0;
    for (std::size_t i = 2; i < 6; ++i) {
      const char ch = text[i];
      const bool hex = (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
      if (!hex) return 0;
    }
    return static_cast<std::uint16_t>(LeadingHex(text));
  }

 private:
  const CParamCatalogue& c_;
  bool s3_;
};

ParamValueType TypeFromText(std::string_view text) {
  if (text.starts_with("INT1")) return ParamValueType::kInt1;
  if (text.starts_with("INT2")) return ParamValueType::kInt2;
  if (text.starts_with("INT4")) return ParamValueType::kInt4;
  if (text.starts_with("ASCSTR")) return ParamValueType::kAscStr;
  if (text.starts_with("DIGITST")) return ParamValueType::kDigitStr;
  if (text.starts_with("HEXS")) return ParamValueType::kHexStr;
  return ParamValueType::kNone;
}

// [E","]L"~"H with decimal numbers read as atoi reads them.
bool ParseValueRange(std::string_view text, ParamDef& p) {
  if (text.empty()) return false;
  const std::size_t comma = text.find(',');
  if (comma != std::string_view::npos && comma != 0) {
    p.range_extra = static_cast<std::uint32_t>(Atoi(text));
    p.has_range_extra = true;
    text.remove_prefix(comma + 1);
  }
  const std::size_t tilde = text.find('~');
  if (tilde == std::string_view::npos || tilde == 0) return false;
  p.range_low = static_cast<std::uint32_t>(Atoi(text));
  p.range_high = static_cast<std::uint32_t>(Atoi(text.substr(tilde + 1)));
  return true;
}

// Cut at every ","; empty pieces count, nothing is trimmed.
std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> items;
  if (text.empty()) return items;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) {
      items.emplace_back(text.substr(start));
      return items;
    }
    items.emplace_back(text.substr(start, comma - start));
    start = comma + 1;
  }
}

CatalogueLoadResult Fatal(std::string message) {
  return {CatalogueLoadStatus::kFatal, std::move(message)};
}
CatalogueLoadResult FileError(std::string message = {}) {
  return {CatalogueLoadStatus::kFileError, std::move(message)};
}

// One parameter section; the order of the reads decides what a failed load
// leaves behind.
CatalogueLoadResult ReadParam(const FieldReader& f, const std::string& t, ParamDef& p) {
  p.code = f.Code(t, "code");
  if (p.code == 0) return Fatal(Format("[%s--%s] code为空 "_gbk, t, "code"));
  p.type = TypeFromText(f.Raw(t, "type"));
  p.name = f.String(t, "name");
  p.short_name = f.String(t, "short_name");
  p.is_const_param = f.Flag(t, "is_const_param");
  p.default_value = f.String(t, "default");
  if (p.is_const_param) p.value = p.default_value;
  p.tip = f.String(t, "tip");
  p.fixed_length = f.Flag(t, "fixed_length");
  p.length = static_cast<std::uint16_t>(f.Int(t, "length", kAbsent));
  if (f.Flag(t, "is_cust_param")) {
    p.is_cust_param = true;
    p.relation_code = f.Code(t, "relation_code");
    if (p.relation_code == 0) {
      return Fatal(Format("[%s--%s]RelationCode 为空 "_gbk, t, "relation_code"));
    }
  }
  if (f.Flag(t, "is_check_range")) {
    p.is_check_range = true;
    if (!ParseValueRange(f.Raw(t, "value_range"), p)) return FileError();
  }
  p.is_ipaddr = f.Flag(t, "is_ipaddr");
  if (f.Flag(t, "is_list")) {
    p.is_list = true;
    const std::string options = f.String(t, "list_options");
    if (options.empty()) return FileError();
    p.list_options = SplitList(options);
    p.list_value = SplitList(f.String(t, "list_value"));
    p.is_list_custom = f.Flag(t, "is_list_custom");
  }
  p.is_password = f.Flag(t, "is_password");
  p.readonly = f.Flag(t, "readonly");
  p.is_common_param = f.Flag(t, "is_common_param");
  if (f.Flag(t, "is_spec_ascstr")) {
    p.is_spec_ascstr = true;
    p.spec_ascstr_first = f.String(t, "spec_ascstr_first");
    p.spec_ascstr_other = f.String(t, "spec_ascstr_other");
  }
  return {};
}

}  // namespace

std::string_view CatalogueFileName(FileVariant variant) {
  return variant == FileVariant::kS2 ? "dtuparam_s2.ini" : "dtuparam_s3.ini";
}

std::string CataloguePath(const std::string& folder, FileVariant variant) {
  std::string path = folder;
  if (!path.empty() && path.back() != '/') path += '/';
  path += CatalogueFileName(variant);
  return path;
}

CatalogueLoadResult LoadCatalogueText(std::string_view bytes, FileVariant variant,
                                      CParamCatalogue& into) {
  into.Reset();
  ReadLines(bytes, into);
  const FieldReader f(into, variant);

  into.product = f.String("application", "product");
  const std::string_view language = f.Raw("application", "language");
  if (language == "CN") into.language = 1;
  if (language == "EN") into.language = 2;
  into.group_count = f.Int("group", "count", kAbsent);
  into.RegisterGroup(kCommonGroup, std::string(CommonGroupName()));

  int common = 0;
  for (int i = 1; i <= into.group_count && i <= kMaxFileGroups; ++i) {
    const std::string s = Format("group%d", i);
    ParamGroup& group = into.groups[static_cast<std::size_t>(i)];
    std::string name = f.String(s, "name");
    if (name.empty()) return Fatal(Format("组名字为空: %s"_gbk, s));
    group.name = name;
    into.RegisterGroup(i, name);
    const std::int32_t count = f.Int(s, "count", kAbsent);
    if (count < 0 || count > kParamSlots) {
      return FileError(Format("[%s] count=%d: 每组最多%d个参数"_gbk, s, count, kParamSlots));
    }
    group.count = static_cast<std::uint16_t>(count);
    group.chn = f.Int(s, "chn", -1);
    bool hex = false;
    const std::uint64_t run_type = LeadingHex(f.Raw(s, "dtu_run_type"), &hex);
    group.dtu_run_type = hex ? static_cast<std::int32_t>(static_cast<std::uint32_t>(run_type)) : 0;
    if (group.chn > 0) into.channels.RegisterChannelGroup(group.dtu_run_type, group.chn, i);

    for (int n = 1; n <= count; ++n) {
      const std::string t = Format("group%d_parm%d", i, n);
      ParamDef& p = group.params[static_cast<std::size_t>(n - 1)];
      CatalogueLoadResult r = ReadParam(f, t, p);
      if (!r.loaded()) return r;
      if (p.is_common_param && !p.readonly && ++common > kParamSlots) {
        return FileError(Format("[%s] 常用配置参数超过%d个"_gbk, t, kParamSlots));
      }
    }
  }
  return {};
}

CatalogueLoadResult LoadCatalogueFile(const std::string& folder, FileVariant variant,
                                      CParamCatalogue& into) {
  into.Reset();
  const std::string path = CataloguePath(folder, variant);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
    return {CatalogueLoadStatus::kFileMissing, {}};
  }
  const CatalogueLoadResult unreadable{CatalogueLoadStatus::kUnreadable,
                                       std::string("读入dtuparam.ini失败**"_gbk)};
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return unreadable;
  std::string bytes;
  char buffer[16384];
  for (;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
    bytes.append(buffer, n);
    if (n < sizeof buffer) break;
  }
  if (std::ferror(file.get()) != 0) return unreadable;
  return LoadCatalogueText(bytes, variant, into);
}

CatalogueLoadResult LoadCatalogue(SharedCatalogue& catalogue, const std::string& folder,
                                  FileVariant variant) {
  auto fresh = std::make_unique<CParamCatalogue>();
  // The language survives loads that do not name one.
  fresh->language = catalogue.Read([](const CParamCatalogue& c) { return c.language; });
  CatalogueLoadResult result = LoadCatalogueFile(folder, variant, *fresh);
  // The old table is freed here, outside the lock.
  catalogue.Replace(std::move(fresh));
  return result;
}

bool LoadCatalogueWithRetries(SharedCatalogue& catalogue, const std::string& folder,
                              FileVariant variant, ICatalogueErrors& errors, int attempts) {
  CatalogueLoadResult last;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    last = LoadCatalogue(catalogue, folder, variant);
    switch (last.status) {
      case CatalogueLoadStatus::kLoaded:
        return true;
      case CatalogueLoadStatus::kFatal:
        errors.CatalogueFatal(last.message);
        return false;
      case CatalogueLoadStatus::kUnreadable:
        errors.ShowCatalogueMessage(last.message);
        break;
      case CatalogueLoadStatus::kFileMissing:
      case CatalogueLoadStatus::kFileError:
        break;
    }
  }
  if (last.status == CatalogueLoadStatus::kFileError && !last.message.empty()) {
    errors.CatalogueFileError(last.message);
  }
  return false;
}

}  // namespace zt
