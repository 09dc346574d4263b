#include "params/param_view_model.h"

#include "params/group_filter.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"

namespace zt {

using namespace zt::literals;

namespace {

constexpr std::string_view kChannelModeKeyword = "OPPRM";

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
  }
  return true;
}

}  // namespace

std::string_view ChannelGroupsParentName() { return "通道参数"_gbk; }

std::vector<GroupTreeItem> BuildGroupTree(const CParamCatalogue& catalogue, bool s3,
                                          std::int32_t mode) {
  std::vector<GroupTreeItem> roots;
  int parent = -1;  // position of the channel parent among the roots
  for (int g = 0; g < kGroupSlots; ++g) {
    const ParamGroup& group = catalogue.groups[static_cast<std::size_t>(g)];
    if (!group.used() || group.count == 0) continue;
    if (!GroupBelongsToMode(group, s3, mode)) continue;
    GroupTreeItem item{g, group.name, {}};
    if (s3 && group.chn >= 1) {
      if (parent < 0) {
        parent = static_cast<int>(roots.size());
        roots.push_back(GroupTreeItem{-1, std::string(ChannelGroupsParentName()), {}});
      }
      roots[static_cast<std::size_t>(parent)].children.push_back(std::move(item));
    } else {
      roots.push_back(std::move(item));
    }
  }
  return roots;
}

bool IsChannelModeParam(const ParamDef& p) { return p.short_name == kChannelModeKeyword; }

std::string MaskedValue(std::string_view value) { return std::string(value.size(), '*'); }

std::string DisplayValue(const ParamDef& p) {
  return p.is_password ? MaskedValue(p.value) : p.value;
}

std::vector<ParamRow> ListRows(const CParamCatalogue& catalogue, int group) {
  std::vector<ParamRow> rows;
  const ParamGroup* g = catalogue.Group(group);
  if (g == nullptr) return rows;
  for (int i = 0; i < g->UsedCount(); ++i) {
    const ParamDef& p = g->params[static_cast<std::size_t>(i)];
    if (IsChannelModeParam(p)) continue;
    rows.push_back(ParamRow{i, p.name, DisplayValue(p), p.tip, !p.readonly,
                            !p.readonly && p.selected, p.is_password});
  }
  return rows;
}

EditorKind EditorFor(const ParamDef& p) {
  if (p.readonly) return EditorKind::kNone;
  if (p.is_list) return EditorKind::kDropDown;
  if (p.is_cust_param) return EditorKind::kCustomDialog;
  return EditorKind::kEditBox;
}

int FirstOptionStartingWith(const std::vector<std::string>& options, std::string_view text) {
  for (std::size_t k = 0; k < options.size(); ++k) {
    if (StartsWithIgnoringCase(options[k], text)) return static_cast<int>(k);
  }
  return -1;
}

SelectionChange ApplySelection(CParamCatalogue& catalogue, int group, int index, bool selected) {
  SelectionChange change;
  ParamDef* p = catalogue.Param(group, index);
  if (p == nullptr) return change;
  if (selected && p->readonly) {
    change.outcome = SelectionChange::Outcome::kReadOnly;
    return change;
  }
  p->selected = selected;
  if (p->is_cust_param) {
    const int partner = catalogue.FindParamByCode(group, p->relation_code);
    if (partner < 0) {
      change.outcome = SelectionChange::Outcome::kMissingPartner;
    } else {
      ParamDef* q = catalogue.Param(group, partner);
      q->selected = selected;
      if (q->is_common_param) catalogue.SyncSelected(group, partner);
      change.partner = partner;
    }
  }
  if (p->is_common_param) catalogue.SyncSelected(group, index);
  return change;
}

std::string_view ReadOnlyText() { return "只读参数"_gbk; }

std::string_view RelationCodeErrorText() { return "relation code  error"; }

std::string RelationCodeErrorCaption(std::string_view group_name, std::string_view param_name) {
  return Format("[%s, %s]", std::string(group_name), std::string(param_name));
}

}  // namespace zt
