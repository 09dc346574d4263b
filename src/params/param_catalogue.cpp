#include "params/param_catalogue.h"

#include "text/gbk_literal.h"
#include "text/numbers.h"

namespace zt {

using namespace zt::literals;

std::string_view CommonGroupName() { return "常用配置参数"_gbk; }

std::string CapString(std::string_view text) {
  if (text.size() <= kMaxStringBytes) return std::string(text);
  std::size_t end = 0;
  while (end < text.size()) {
    const auto lead = static_cast<unsigned char>(text[end]);
    const std::size_t width = (lead >= 0x81 && lead <= 0xFE && end + 1 < text.size()) ? 2 : 1;
    if (end + width > kMaxStringBytes) break;
    end += width;
  }
  return std::string(text.substr(0, end));
}

void CParamCatalogue::Reset() {
  // In place, so that slots keep the memory they already hold.
  static const ParamDef kEmpty;
  for (ParamGroup& group : groups) {
    group.count = 0;
    group.name.clear();
    group.chn = -1;
    group.dtu_run_type = 0;
    for (ParamDef& p : group.params) p = kEmpty;
  }
  group_count = 0;
  product.clear();
  channels.Clear();
  group_names_.clear();
  group_indexes_.clear();
  keys_.Clear();
}

ParamGroup* CParamCatalogue::Group(int group) {
  return group >= 0 && group < kGroupSlots ? &groups[static_cast<std::size_t>(group)] : nullptr;
}

const ParamGroup* CParamCatalogue::Group(int group) const {
  return group >= 0 && group < kGroupSlots ? &groups[static_cast<std::size_t>(group)] : nullptr;
}

ParamDef* CParamCatalogue::Param(int group, int index) {
  ParamGroup* g = Group(group);
  if (g == nullptr || index < 0 || index >= kParamSlots) return nullptr;
  return &g->params[static_cast<std::size_t>(index)];
}

const ParamDef* CParamCatalogue::Param(int group, int index) const {
  const ParamGroup* g = Group(group);
  if (g == nullptr || index < 0 || index >= kParamSlots) return nullptr;
  return &g->params[static_cast<std::size_t>(index)];
}

void CParamCatalogue::RegisterGroup(int index, const std::string& name) {
  group_names_[index] = name;
  group_indexes_[name] = index;
}

std::string CParamCatalogue::GroupNameByIndex(int index) const {
  const auto it = group_names_.find(index);
  return it == group_names_.end() ? std::string() : it->second;
}

int CParamCatalogue::GroupIndexByName(std::string_view name) const {
  const auto it = group_indexes_.find(name);
  return it == group_indexes_.end() ? -1 : it->second;
}

int CParamCatalogue::FindParamByCode(int group, std::uint16_t code) const {
  const ParamGroup* g = Group(group);
  if (g == nullptr) return -1;
  for (int i = 0; i < g->UsedCount(); ++i) {
    if (g->params[static_cast<std::size_t>(i)].code == code) return i;
  }
  return -1;
}

bool CParamCatalogue::RebuildCommonGroup() {
  ParamGroup& common = groups[kCommonGroup];
  common = ParamGroup{};
  common.name = std::string(CommonGroupName());
  bool all_fit = true;
  for (int g = 1; g < kGroupSlots; ++g) {
    const ParamGroup& source = groups[static_cast<std::size_t>(g)];
    if (!source.used()) continue;
    for (int i = 0; i < source.UsedCount(); ++i) {
      const ParamDef& p = source.params[static_cast<std::size_t>(i)];
      if (!p.is_common_param || p.readonly) continue;
      if (common.count >= kParamSlots) {
        all_fit = false;
        continue;
      }
      ParamDef& copy = common.params[common.count++];
      copy = p;
      copy.tip = CapString(p.tip + "[" + source.name + "]");
      copy.home_group = static_cast<std::uint16_t>(g);
    }
  }
  return all_fit;
}

template <typename F>
void CParamCatalogue::ForEachSyncTarget(int group, int index, F&& copy) {
  const ParamDef* changed = Param(group, index);
  if (changed == nullptr) return;
  auto first_match = [&](ParamGroup& g) -> ParamDef* {
    for (int i = 0; i < g.UsedCount(); ++i) {
      if (g.params[static_cast<std::size_t>(i)].short_name == changed->short_name) {
        return &g.params[static_cast<std::size_t>(i)];
      }
    }
    return nullptr;
  };
  if (group == kCommonGroup) {
    for (int g = 1; g < kGroupSlots; ++g) {
      ParamGroup& target = groups[static_cast<std::size_t>(g)];
      if (!target.used()) continue;
      if (ParamDef* p = first_match(target)) copy(*changed, *p);
    }
  } else if (ParamDef* p = first_match(groups[kCommonGroup])) {
    copy(*changed, *p);
  }
}

void CParamCatalogue::SyncValue(int group, int index) {
  ForEachSyncTarget(group, index,
                    [](const ParamDef& from, ParamDef& to) { to.value = from.value; });
}

void CParamCatalogue::SyncSelected(int group, int index) {
  ForEachSyncTarget(group, index,
                    [](const ParamDef& from, ParamDef& to) { to.selected = from.selected; });
}

void CParamCatalogue::SetAllSelected(bool selected) {
  for (ParamGroup& g : groups) {
    if (!g.used()) continue;
    for (int i = 0; i < g.UsedCount(); ++i) {
      ParamDef& p = g.params[static_cast<std::size_t>(i)];
      if (!p.readonly) p.selected = selected;
    }
  }
}

std::string CParamCatalogue::ProfileGetString(std::string_view section,
                                              std::string_view key) const {
  const std::optional<std::string_view> value = keys_.Find(section, key);
  return value ? std::string(*value) : std::string();
}

std::int32_t CParamCatalogue::ProfileGetInt(std::string_view section, std::string_view key,
                                            std::int32_t fallback) const {
  const std::optional<std::string_view> value = keys_.Find(section, key);
  return value ? Atoi(*value) : fallback;
}

}  // namespace zt
