#include "cli/parameter_table.h"

#include "params/group_filter.h"
#include "params/param_view_model.h"
#include "params/validate_edit.h"
#include "text/gbk.h"
#include "text/numbers.h"

namespace zt::cli {
namespace {

using namespace zt::literals;

// A field of a row: tab, CR and LF as \t, \r, \n (they would break the row),
// every other control byte and every byte that is not GBK as \xNN. (None of
// the three is ever the trail byte of a GBK character.)
std::string Field(std::string_view gbk) {
  std::string out;
  for (std::size_t start = 0;;) {
    const std::size_t cut = gbk.find_first_of("\t\r\n", start);
    out += GbkToUtf8ForTerminal(gbk.substr(start, cut - start));
    if (cut == std::string_view::npos) break;
    out += gbk[cut] == '\t' ? "\\t" : gbk[cut] == '\r' ? "\\r" : "\\n";
    start = cut + 1;
  }
  return out;
}

struct Target {
  int group = -1;
  int index = -1;
};

// The parameter an edit names among the groups of the mode in force.
std::optional<Target> FindTarget(const CParamCatalogue& c, bool s3, std::int32_t mode, const ParamEdit& edit,
                                 std::string& error) {
  std::vector<Target> found;
  for (int g = 1; g < kGroupSlots; ++g) {
    const ParamGroup& group = *c.Group(g);
    if (!group.used() || !GroupBelongsToMode(group, s3, mode)) continue;
    if (edit.channel && group.chn != *edit.channel) continue;
    for (int i = 0; i < group.UsedCount(); ++i) {
      if (group.params[static_cast<std::size_t>(i)].short_name == edit.key) found.push_back({g, i});
    }
  }
  const std::string key = GbkToUtf8(edit.key);
  if (found.empty()) {
    error = "no parameter " + key + (edit.channel ? "@" + std::to_string(*edit.channel) : "") +
            " in the catalogue for this channel mode";
    return std::nullopt;
  }
  if (found.size() > 1) {
    error = "several groups hold " + key + ": name the channel as " + key + "@N";
    return std::nullopt;
  }
  return found.front();
}

// A fixed list takes one of its options; its wire values name their option too.
std::optional<std::string> ListChoice(const ParamDef& p, const std::string& text) {
  for (const std::string& option : p.list_options) {
    if (option == text) return option;
  }
  for (std::size_t k = 0; k < p.list_value.size() && k < p.list_options.size(); ++k) {
    if (p.list_value[k] == text) return p.list_options[k];
  }
  return std::nullopt;
}

}  // namespace

std::string ParameterTable(const CParamCatalogue& catalogue, bool s3, std::int32_t mode) {
  std::string out;
  for (int g = 1; g < kGroupSlots; ++g) {
    const ParamGroup& group = *catalogue.Group(g);
    if (!group.used() || !GroupBelongsToMode(group, s3, mode)) continue;
    for (int i = 0; i < group.UsedCount(); ++i) {
      const ParamDef& p = group.params[static_cast<std::size_t>(i)];
      out += Field(group.name) + '\t' + Field(p.name) + '\t' + Field(p.short_name) + '\t' + Field(DisplayValue(p)) +
             '\n';
    }
  }
  return out;
}

std::optional<ParamEdit> ParseParamEdit(std::string_view utf8, std::string& error) {
  const std::size_t eq = utf8.find('=');
  if (eq == std::string_view::npos || eq == 0) {
    error = "--param needs KEY=VALUE";
    return std::nullopt;
  }
  std::string_view key = utf8.substr(0, eq);
  ParamEdit edit;
  if (const std::size_t at = key.find('@'); at != std::string_view::npos) {
    const std::string_view channel = key.substr(at + 1);
    if (channel.empty() || channel.find_first_not_of("0123456789") != std::string_view::npos) {
      error = "--param KEY@N needs a channel number";
      return std::nullopt;
    }
    edit.channel = Atoi(channel);
    key = key.substr(0, at);
  }
  const auto key_gbk = Utf8ToGbk(key);
  const auto value_gbk = Utf8ToGbk(utf8.substr(eq + 1));
  if (!key_gbk || !value_gbk) {
    error = "--param holds text that GBK cannot encode";
    return std::nullopt;
  }
  edit.key = *key_gbk;
  edit.value = *value_gbk;
  return edit;
}

std::string ApplyParamEdits(CParamCatalogue& catalogue, bool s3, std::int32_t mode,
                            const std::vector<ParamEdit>& edits) {
  std::vector<Target> targets;
  for (const ParamEdit& edit : edits) {
    std::string error;
    const std::optional<Target> target = FindTarget(catalogue, s3, mode, edit, error);
    if (!target) return error;
    ParamDef& p = *catalogue.Param(target->group, target->index);
    if (p.readonly) return GbkToUtf8(p.name) + ": " + GbkToUtf8("只读参数"_gbk);
    std::string text = edit.value;
    if (p.is_list && !p.is_list_custom) {
      const std::optional<std::string> choice = ListChoice(p, text);
      if (!choice) return GbkToUtf8(p.name + std::string("参数配置不正确"_gbk));
      text = *choice;
    }
    const EditResult result = ValidateEdit(catalogue, target->group, target->index, text);
    if (!result.accepted()) return GbkToUtf8(result.refusal);
    // An edit the list would silently drop (an integer without any check)
    // is refused here, so that a script never sends the old value unaware.
    if (!result.stored && catalogue.Param(target->group, target->index)->value != text) {
      return GbkToUtf8(p.name + std::string("参数配置不正确"_gbk));
    }
    targets.push_back(*target);
  }
  catalogue.SetAllSelected(false);
  for (const Target& t : targets) {
    catalogue.Param(t.group, t.index)->selected = true;
    if (catalogue.Param(t.group, t.index)->is_common_param) catalogue.SyncSelected(t.group, t.index);
  }
  return {};
}

}  // namespace zt::cli
