#include "params/catalogue_loader.h"


#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "common/file_read.h"
#include "params/catalogue_source.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"
#include "text/numbers.h"
#include "text/strformat.h"

namespace zt {

using namespace zt::literals;

namespace {

constexpr std::int32_t kAbsent = 256;  // fallback of integer keys

// The keys of a parameter section, in the order the loader reads them.
enum ParamKey : int {
  kCode, kType, kName, kShortName, kIsConstParam, kDefault, kTip, kFixedLength, kLength,
  kIsCustParam, kRelationCode, kIsCheckRange, kValueRange, kIsIpaddr, kIsList, kListOptions,
  kListValue, kIsListCustom, kIsPassword, kReadonly, kIsCommonParam, kIsSpecAscstr,
  kSpecAscstrFirst, kSpecAscstrOther, kParamKeyCount
};
constexpr std::string_view kParamKeyNames[kParamKeyCount] = {
    "code", "type", "name", "short_name", "is_const_param", "default", "tip", "fixed_length",
    "length", "is_cust_param", "relation_code", "is_check_range", "value_range", "is_ipaddr",
    "is_list", "list_options", "list_value", "is_list_custom", "is_password", "readonly",
    "is_common_param", "is_spec_ascstr", "spec_ascstr_first", "spec_ascstr_other"};

// Key names by length, so that a key is compared with two or three names at most.
constexpr std::size_t kLongestKey = 17;
constexpr auto kKeysBySize = [] {
  std::array<std::array<int, 5>, kLongestKey + 1> table{};
  for (auto& row : table) row.fill(-1);
  for (int k = 0; k < kParamKeyCount; ++k) {
    auto& row = table[kParamKeyNames[k].size()];
    std::size_t i = 0;
    while (row[i] >= 0) ++i;
    row[i] = k;
  }
  return table;
}();

int ParamKeyIndex(std::string_view key) {
  if (key.size() > kLongestKey) return -1;
  for (const int k : kKeysBySize[key.size()]) {
    if (k < 0) return -1;
    if (kParamKeyNames[k] == key) return k;
  }
  return -1;
}

// The values of one section's keys: a parameter section gathered in one walk,
// or any other section looked up key by key.
class Fields {
 public:
  Fields(const CatalogueKeyMap& keys, std::string_view section, bool gather)
      : keys_(keys), section_(keys.Locate(section)) {
    if (!gather || !section_.plain) return;
    gathered_ = true;
    keys.ForEachLatestFirst(section_, [this](std::string_view key, std::string_view value) {
      const int k = ParamKeyIndex(key);
      if (k >= 0 && !values_[static_cast<std::size_t>(k)]) values_[static_cast<std::size_t>(k)] = value;
    });
  }
  std::string_view name() const { return section_.name; }

  std::optional<std::string_view> Find(ParamKey k) const {
    return gathered_ ? values_[static_cast<std::size_t>(k)] : keys_.Find(section_, kParamKeyNames[k]);
  }
  std::optional<std::string_view> Find(std::string_view key) const { return keys_.Find(section_, key); }

 private:
  const CatalogueKeyMap& keys_;
  CatalogueKeyMap::Section section_;
  bool gathered_ = false;
  std::array<std::optional<std::string_view>, kParamKeyCount> values_{};
};

class FieldReader {
 public:
  explicit FieldReader(FileVariant variant) : s3_(variant == FileVariant::kS3) {}

  template <class Key>
  std::string_view Raw(const Fields& s, Key key) const {
    return s.Find(key).value_or(std::string_view());
  }
  template <class Key>
  std::string String(const Fields& s, Key key) const {
    return CapString(Raw(s, key));
  }
  template <class Key>
  std::int32_t Int(const Fields& s, Key key, std::int32_t fallback) const {
    const std::optional<std::string_view> v = s.Find(key);
    return v ? Atoi(*v) : fallback;
  }
  // A flag is set only when its value reads as 1 ("1", "01", "1abc").
  bool Flag(const Fields& s, ParamKey key) const { return Int(s, key, kAbsent) == 1; }
  // S3: exactly "0x" and four hexadecimal digits; S2: decimal. 0 when unreadable.
  std::uint16_t Code(const Fields& s, ParamKey key) const {
    const std::string_view text = Raw(s, key);
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
  items.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), ',')) + 1);
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
  return {CatalogueLoadStatus::kFatal, std::move(message), {}};
}
CatalogueLoadResult FileError(std::string message) {
  return {CatalogueLoadStatus::kFileError, std::move(message), {}};
}
// A malformed entry: the load fails without a message.
CatalogueLoadResult Malformed(std::string reason) {
  return {CatalogueLoadStatus::kFileError, {}, std::move(reason)};
}

// One parameter section; the order of the reads decides what a failed load
// leaves behind.
CatalogueLoadResult ReadParam(const FieldReader& f, const Fields& t, ParamDef& p) {
  const std::string section(t.name());
  p.code = f.Code(t, kCode);
  if (p.code == 0) return Fatal(Format("[%s--%s] code为空 "_gbk, section, "code"));
  p.type = TypeFromText(f.Raw(t, kType));
  p.name = f.String(t, kName);
  p.short_name = f.String(t, kShortName);
  p.is_const_param = f.Flag(t, kIsConstParam);
  p.default_value = f.String(t, kDefault);
  if (p.is_const_param) p.value = p.default_value;
  p.tip = f.String(t, kTip);
  p.fixed_length = f.Flag(t, kFixedLength);
  p.length = static_cast<std::uint16_t>(f.Int(t, kLength, kAbsent));
  if (f.Flag(t, kIsCustParam)) {
    p.is_cust_param = true;
    p.relation_code = f.Code(t, kRelationCode);
    if (p.relation_code == 0) {
      return Fatal(Format("[%s--%s]RelationCode 为空 "_gbk, section, "relation_code"));
    }
  }
  if (f.Flag(t, kIsCheckRange)) {
    p.is_check_range = true;
    if (!ParseValueRange(f.Raw(t, kValueRange), p)) {
      return Malformed(Format("[%s] value_range有误"_gbk, section));
    }
  }
  p.is_ipaddr = f.Flag(t, kIsIpaddr);
  if (f.Flag(t, kIsList)) {
    p.is_list = true;
    const std::string options = f.String(t, kListOptions);
    if (options.empty()) return Malformed(Format("[%s] list_options为空"_gbk, section));
    p.list_options = SplitList(options);
    p.list_value = SplitList(f.String(t, kListValue));
    p.is_list_custom = f.Flag(t, kIsListCustom);
  }
  p.is_password = f.Flag(t, kIsPassword);
  p.readonly = f.Flag(t, kReadonly);
  p.is_common_param = f.Flag(t, kIsCommonParam);
  if (f.Flag(t, kIsSpecAscstr)) {
    p.is_spec_ascstr = true;
    p.spec_ascstr_first = f.String(t, kSpecAscstrFirst);
    p.spec_ascstr_other = f.String(t, kSpecAscstrOther);
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

namespace {

CatalogueLoadResult Apply(std::string bytes, FileVariant variant, CParamCatalogue& into) {
  into.Reset();
  into.keys().Parse(std::move(bytes));
  const FieldReader f(variant);
  const CatalogueKeyMap& keys = into.keys();

  const Fields application(keys, "application", false);
  into.product = f.String(application, "product");
  const std::string_view language = f.Raw(application, "language");
  if (language == "CN") into.language = 1;
  if (language == "EN") into.language = 2;
  into.group_count = f.Int(Fields(keys, "group", false), "count", kAbsent);
  into.RegisterGroup(kCommonGroup, std::string(CommonGroupName()));
  // A negative count would load a table without a group as if all were well.
  if (into.group_count < 0) return FileError(Format("[group] count=%d: 组数无效"_gbk, into.group_count));

  int common = 0;
  for (int i = 1; i <= into.group_count && i <= kMaxFileGroups; ++i) {
    const std::string group_section = "group" + std::to_string(i);
    const Fields s(keys, group_section, false);
    ParamGroup& group = into.groups[static_cast<std::size_t>(i)];
    std::string name = f.String(s, "name");
    if (name.empty()) return Fatal(Format("组名字为空: %s"_gbk, group_section));
    group.name = name;
    into.RegisterGroup(i, name);
    const std::int32_t count = f.Int(s, "count", kAbsent);
    if (count < 0 || count > kParamSlots) {
      return FileError(Format("[%s] count=%d: 每组最多%d个参数"_gbk, group_section, count, kParamSlots));
    }
    group.count = static_cast<std::uint16_t>(count);
    group.chn = f.Int(s, "chn", -1);
    bool hex = false;
    const std::uint64_t run_type = LeadingHex(f.Raw(s, "dtu_run_type"), &hex);
    group.dtu_run_type = hex ? static_cast<std::int32_t>(static_cast<std::uint32_t>(run_type)) : 0;
    if (group.chn > 0) into.channels.RegisterChannelGroup(group.dtu_run_type, group.chn, i);

    for (int n = 1; n <= count; ++n) {
      const std::string param_section = group_section + "_parm" + std::to_string(n);
      ParamDef& p = group.params[static_cast<std::size_t>(n - 1)];
      CatalogueLoadResult r = ReadParam(f, Fields(keys, param_section, true), p);
      if (!r.loaded()) return r;
      if (p.is_common_param && !p.readonly && ++common > kParamSlots) {
        return FileError(Format("[%s] 常用配置参数超过%d个"_gbk, param_section, kParamSlots));
      }
    }
  }
  return {};
}

}  // namespace

CatalogueLoadResult LoadCatalogueText(std::string_view bytes, FileVariant variant,
                                      CParamCatalogue& into) {
  return Apply(std::string(bytes), variant, into);
}

CatalogueLoadResult LoadCatalogueFile(const std::string& folder, FileVariant variant,
                                      CParamCatalogue& into) {
  // The table is reset whatever comes of the load.
  const std::string path = CatalogueReadPath(folder, variant);
  std::string bytes;
  const FileReadStatus read = ReadWholeFile(path, bytes);
  if (read == FileReadStatus::kMissing) {
    into.Reset();
    return {CatalogueLoadStatus::kFileMissing, {}, Format("找不到参数文件: %s"_gbk, Utf8ToGbkLossy(path))};
  }
  if (read == FileReadStatus::kUnreadable) {
    into.Reset();
    return {CatalogueLoadStatus::kUnreadable, std::string("读入dtuparam.ini失败**"_gbk), {}};
  }
  return Apply(std::move(bytes), variant, into);
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
  } else if (last.status != CatalogueLoadStatus::kUnreadable) {
    errors.CatalogueNotLoaded(last.reason);
  }
  return false;
}

}  // namespace zt
