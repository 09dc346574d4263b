#include "params/common_param_list.h"

#include <algorithm>

#include "text/gbk_literal.h"
#include "text/strformat.h"

namespace zt {

using namespace zt::literals;

namespace {

ParamDef* FirstNamed(ParamGroup& group, std::string_view name) {
  for (int i = 0; i < group.UsedCount(); ++i) {
    ParamDef& p = group.params[static_cast<std::size_t>(i)];
    if (p.name == name) return &p;
  }
  return nullptr;
}

}  // namespace

bool GroupOffersCommonParams(const ParamGroup& group) {
  // Groups of the WMMP management protocol are configured elsewhere; the
  // test is on the two spellings only, so "Wmmp" stays on offer.
  if (group.name.find("wmmp") != std::string::npos || group.name.find("WMMP") != std::string::npos) {
    return false;
  }
  return group.used() && group.count > 0 && group.chn < 0;
}

std::string CommonParamsFullText() { return Format("常用配置参数不能超过%d个"_gbk, kMaxCommonParams); }

CommonParamList CommonParamList::FromCatalogue(const CParamCatalogue& catalogue) {
  CommonParamList list;
  for (int g = 0; g < kGroupSlots; ++g) {
    const ParamGroup& group = catalogue.groups[static_cast<std::size_t>(g)];
    if (g > 0 && group.used()) {
      auto& keys = list.relations_[static_cast<std::size_t>(g)];
      for (int i = 0; i < group.UsedCount(); ++i) {
        const ParamDef& p = group.params[static_cast<std::size_t>(i)];
        keys.push_back({p.name, p.code, p.relation_code});
      }
    }
    if (!GroupOffersCommonParams(group)) continue;
    if (g == kCommonGroup) {
      for (int i = 0; i < group.UsedCount(); ++i) {
        const ParamDef& p = group.params[static_cast<std::size_t>(i)];
        if (!list.Contains(p.name, p.home_group)) list.lines_.push_back({p.name, p.home_group});
      }
      continue;
    }
    CommonTreeGroup item{g, group.name, {}};
    for (int i = 0; i < group.UsedCount(); ++i) {
      const ParamDef& p = group.params[static_cast<std::size_t>(i)];
      if (!p.readonly) item.params.push_back(p.name);
    }
    list.tree_.push_back(std::move(item));
  }
  return list;
}

std::optional<std::size_t> CommonParamList::Find(std::string_view name, int group) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].home_group == group && lines_[i].name == name) return i;
  }
  return std::nullopt;
}

std::optional<std::string> CommonParamList::RelatedName(std::string_view name, int group) const {
  if (group <= kCommonGroup || group >= kGroupSlots) return std::nullopt;
  const auto& keys = relations_[static_cast<std::size_t>(group)];
  const auto named =
      std::find_if(keys.begin(), keys.end(), [&](const ParamKey& k) { return k.name == name; });
  // Loaded parameters never have code 0, so a parameter without a partner
  // (relation code 0) finds none.
  if (named == keys.end() || named->relation_code == 0) return std::nullopt;
  const std::uint16_t code = named->relation_code;
  const auto related =
      std::find_if(keys.begin(), keys.end(), [&](const ParamKey& k) { return k.code == code; });
  if (related == keys.end()) return std::nullopt;
  return related->name;
}

CommonParamList::AddOutcome CommonParamList::Append(const std::vector<CommonParamLine>& wanted) {
  std::vector<CommonParamLine> fresh;
  for (const CommonParamLine& line : wanted) {
    if (Contains(line.name, line.home_group)) continue;
    if (std::find(fresh.begin(), fresh.end(), line) != fresh.end()) continue;
    fresh.push_back(line);
  }
  if (fresh.empty()) return AddOutcome::kUnchanged;
  if (lines_.size() + fresh.size() > static_cast<std::size_t>(kMaxCommonParams)) return AddOutcome::kFull;
  lines_.insert(lines_.end(), fresh.begin(), fresh.end());
  return AddOutcome::kAdded;
}

CommonParamList::AddOutcome CommonParamList::AddParam(std::string_view name, int group) {
  std::vector<CommonParamLine> wanted{{std::string(name), group}};
  if (std::optional<std::string> related = RelatedName(name, group)) {
    wanted.push_back({std::move(*related), group});
  }
  return Append(wanted);
}

CommonParamList::AddOutcome CommonParamList::AddGroup(int group) {
  const auto item =
      std::find_if(tree_.begin(), tree_.end(), [&](const CommonTreeGroup& t) { return t.group == group; });
  if (item == tree_.end()) return AddOutcome::kUnchanged;
  std::vector<CommonParamLine> wanted;
  for (const std::string& name : item->params) wanted.push_back({name, group});
  return Append(wanted);
}

CommonParamList::DeleteOutcome CommonParamList::Delete(int index) {
  DeleteOutcome outcome;
  if (index < 0 || static_cast<std::size_t>(index) >= lines_.size()) return outcome;
  const CommonParamLine gone = lines_[static_cast<std::size_t>(index)];
  const std::optional<std::string> related = RelatedName(gone.name, gone.home_group);
  auto select_at = [this](std::size_t at) -> std::optional<int> {
    return at < lines_.size() ? std::optional<int>(static_cast<int>(at)) : std::nullopt;
  };
  lines_.erase(lines_.begin() + index);
  outcome.deleted = true;
  outcome.select = select_at(static_cast<std::size_t>(index));
  if (related) {
    if (const std::optional<std::size_t> at = Find(*related, gone.home_group)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*at));
      outcome.select = select_at(*at);
    }
  }
  return outcome;
}

int ApplyCommonParams(CParamCatalogue& catalogue, const std::vector<CommonParamLine>& lines) {
  // Every mark goes first; the sources of the chosen lines get theirs back below.
  for (int g = 1; g < kGroupSlots; ++g) {
    ParamGroup& group = catalogue.groups[static_cast<std::size_t>(g)];
    if (!group.used()) continue;
    for (int i = 0; i < group.UsedCount(); ++i)
      group.params[static_cast<std::size_t>(i)].is_common_param = false;
  }
  ParamGroup& common = catalogue.groups[kCommonGroup];
  common = ParamGroup{};
  common.name = std::string(CommonGroupName());
  for (const CommonParamLine& line : lines) {
    if (common.count >= kMaxCommonParams) break;
    ParamGroup* home = catalogue.Group(line.home_group);
    if (line.home_group == kCommonGroup || home == nullptr || !home->used()) continue;
    ParamDef* source = FirstNamed(*home, line.name);
    if (source == nullptr || source->is_common_param) continue;  // gone, or chosen twice
    source->is_common_param = true;
    // The copy carries the mark too, so that edits made in the common group
    // reach the source parameter.
    ParamDef& copy = common.params[common.count++];
    copy = *source;
    copy.tip = CapString(source->tip + "[" + home->name + "]");
    copy.home_group = static_cast<std::uint16_t>(line.home_group);
  }
  return common.count;
}

CommonParamMarks CollectCommonMarks(const CParamCatalogue& catalogue) {
  CommonParamMarks marks;
  for (int g = 1; g < kGroupSlots; ++g) {
    const ParamGroup& group = catalogue.groups[static_cast<std::size_t>(g)];
    if (!group.used() || group.count == 0) continue;
    auto& row = marks[static_cast<std::size_t>(g)];
    for (int i = 0; i < group.UsedCount(); ++i)
      row.push_back(group.params[static_cast<std::size_t>(i)].is_common_param);
  }
  return marks;
}

}  // namespace zt
