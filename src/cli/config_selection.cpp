#include "cli/config_selection.h"

#include <algorithm>

#include "params/group_filter.h"
#include "text/gbk.h"

namespace zt::cli {
namespace {

// How many missing entries the refusal names before it only counts them.
constexpr std::size_t kNamedEntries = 3;

// Groups 1 up to the first unused one, as the set walks them.
int LastGroupOfSet(const CParamCatalogue& c) {
  int g = 1;
  while (g < kGroupSlots && c.groups[static_cast<std::size_t>(g)].used()) ++g;
  return g - 1;
}

bool IsAbsent(const std::vector<ConfigFileSlot>& absent, int group, int index) {
  return std::any_of(absent.begin(), absent.end(),
                     [&](const ConfigFileSlot& s) { return s.group == group && s.index == index; });
}

}  // namespace

std::vector<ConfigFileSlot> AbsentEntriesToSend(const CParamCatalogue& catalogue, std::int32_t mode,
                                                const std::vector<ConfigFileSlot>& absent) {
  const int last = LastGroupOfSet(catalogue);
  std::vector<ConfigFileSlot> missing;
  for (const ConfigFileSlot& s : absent) {
    if (s.group < 1 || s.group > last) continue;
    const ParamGroup& group = catalogue.groups[static_cast<std::size_t>(s.group)];
    const ParamDef* p = catalogue.Param(s.group, s.index);
    if (p == nullptr || p->readonly || !SetWithChannelsWrites(catalogue, group, mode)) continue;
    missing.push_back(s);
  }
  return missing;
}

std::string MissingEntriesRefusal(const std::vector<ConfigFileSlot>& missing) {
  std::string names;
  for (std::size_t k = 0; k < missing.size() && k < kNamedEntries; ++k) {
    if (k > 0) names += ", ";
    names += "[" + GbkToUtf8ForTerminal(missing[k].section) + "] " + GbkToUtf8ForTerminal(missing[k].key);
  }
  if (missing.size() > kNamedEntries) {
    names += " and " + std::to_string(missing.size() - kNamedEntries) + " more";
  }
  return "the configuration file lacks " + std::to_string(missing.size()) +
         " entries that write would send as empty values: " + names +
         " (--partial sends only the entries the file holds)";
}

void SelectImported(CParamCatalogue& catalogue, const std::vector<ConfigFileSlot>& absent, bool partial) {
  catalogue.SetAllSelected(!partial);
  if (!partial) return;
  for (int g = 1; g < kGroupSlots; ++g) {
    ParamGroup& group = catalogue.groups[static_cast<std::size_t>(g)];
    for (int i = 0; i < group.UsedCount(); ++i) {
      ParamDef& p = group.params[static_cast<std::size_t>(i)];
      if (p.readonly || IsAbsent(absent, g, i)) continue;
      p.selected = true;
      if (p.is_common_param) catalogue.SyncSelected(g, i);
    }
  }
}

}  // namespace zt::cli
