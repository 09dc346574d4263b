#include "worker/query_parser.h"

#include <algorithm>

#include "params/channel_modes.h"
#include "params/group_filter.h"
#include "params/value_checks.h"
#include "text/numbers.h"

namespace zt {
namespace {

constexpr std::string_view kModeKeyword = "OPPRM";

// One copied entry is at most 128 bytes; a work-file line at most 998.
constexpr std::size_t kEntryCopyLimit = 128;
constexpr std::size_t kWorkFileLineLimit = 998;

}  // namespace

std::string ExtractValueAt(std::string_view text, std::size_t pos, std::size_t keyword_length) {
  std::string_view copy = text.substr(pos, kEntryCopyLimit);
  const std::size_t cr = copy.find('\r');
  if (cr != std::string_view::npos) copy = copy.substr(0, cr + 1);
  const std::size_t value_start = keyword_length + 1;  // after "="
  if (copy.size() <= value_start) return {};
  return std::string(copy.substr(value_start, copy.size() - value_start - 1));
}

KeywordIndex::KeywordIndex(std::string_view text) : text_(text) {}

void KeywordIndex::Want(std::string_view keyword) {
  if (first_.emplace(keyword, std::string_view::npos).second) lengths_.push_back(keyword.size());
}

void KeywordIndex::Build() {
  std::sort(lengths_.begin(), lengths_.end());
  lengths_.erase(std::unique(lengths_.begin(), lengths_.end()), lengths_.end());
  std::size_t unresolved = first_.size();
  for (std::size_t eq = text_.find('='); eq != std::string_view::npos && unresolved > 0;
       eq = text_.find('=', eq + 1)) {
    for (const std::size_t length : lengths_) {
      if (length > eq) break;
      const auto it = first_.find(text_.substr(eq - length, length));
      if (it != first_.end() && it->second == std::string_view::npos) {
        it->second = eq - length;
        --unresolved;
      }
    }
  }
}

std::size_t KeywordIndex::Find(std::string_view keyword) const {
  const auto it = first_.find(keyword);
  return it == first_.end() ? std::string_view::npos : it->second;
}

std::optional<int> ChannelHeaderNumber(std::string_view line) {
  const std::size_t id = line.find("ID=");
  if (id == std::string_view::npos) return std::nullopt;
  return Atoi(line.substr(id + 3));
}

// Stores the base lines into every group that is not a channel group (on the
// later generation). Returns the selector indexes to report, one for each
// OPPRM value met, and leaves `mode` at the mode the DTU reports.
std::vector<int> StoreBaseReplyValues(CParamCatalogue& c, std::string_view text, bool s3, std::int32_t& mode) {
  KeywordIndex index(text);
  auto takes_part = [s3](const ParamGroup& g) { return g.used() && !(s3 && IsChannelGroup(g)); };
  for (int g = 1; g < kGroupSlots; ++g) {
    const ParamGroup& group = *c.Group(g);
    if (!takes_part(group)) continue;
    for (int i = 0; i < group.UsedCount(); ++i) index.Want(group.params[static_cast<std::size_t>(i)].short_name);
  }
  index.Build();

  std::vector<int> mode_reports;
  for (int g = 1; g < kGroupSlots; ++g) {
    ParamGroup& group = *c.Group(g);
    if (!takes_part(group)) continue;
    for (int i = 0; i < group.UsedCount(); ++i) {
      ParamDef& p = group.params[static_cast<std::size_t>(i)];
      if (p.is_const_param) continue;
      const std::size_t pos = index.Find(p.short_name);
      if (pos == std::string_view::npos) continue;  // keeps its old value
      p.value = ValueFromReply(p, ExtractValueAt(text, pos, p.short_name.size()), false);
      if (s3 && p.short_name == kModeKeyword) {
        const ModeChoice choice = ModeFromToken(p.value, mode);
        mode = choice.code;
        mode_reports.push_back(choice.selector_index);
      }
      if (p.is_common_param) c.SyncValue(g, i);
    }
  }
  return mode_reports;
}

std::vector<std::string_view> SplitWorkFileLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    end = end == std::string_view::npos ? text.size() : end + 1;
    end = std::min(end, kWorkFileLineLimit);
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end);
  }
  return lines;
}

}  // namespace zt
