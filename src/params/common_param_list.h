// The common group's choice, decided without any widget: which groups and
// parameters may be chosen, the list of chosen parameters with its add and
// delete rules, and how the choice is put into the catalogue.
//
// A chosen parameter is named by its name and its home group (the group it
// belongs to, 1..29); the list never holds the same pair twice. Adding one
// parameter adds its related parameter too: the parameter of the same group
// whose code is the added one's relation code (the other member of a custom
// length/value pair). Deleting a line deletes its related line as well.
// Group 0 has room for 64 parameters, so the list never grows beyond 64
// lines: an addition that would pass that is refused as a whole.
//
// Thread safety: CommonParamList is plain data owned by one thread. It is
// built from a catalogue inside SharedCatalogue::Read and needs no catalogue
// afterwards; ApplyCommonParams and CollectCommonMarks run inside Write/Read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "params/param_catalogue.h"

namespace zt {

// Group 0 holds at most this many parameters.
inline constexpr int kMaxCommonParams = kParamSlots;

struct CommonParamLine {
  std::string name;    // GBK
  int home_group = 0;  // 1..29
  friend bool operator==(const CommonParamLine&, const CommonParamLine&) = default;
};

// One root item of the manager's tree: a group and its parameters that may
// be chosen (the read-only ones are left out), in slot order.
struct CommonTreeGroup {
  int group = 0;
  std::string name;                 // GBK
  std::vector<std::string> params;  // GBK names
};

// Groups offered in the tree: used, with parameters, not bound to a channel
// (chn < 0) and without "wmmp" or "WMMP" in the name.
bool GroupOffersCommonParams(const ParamGroup& group);

// GBK "常用配置参数不能超过%d个" with the limit in place: our message when an
// addition is refused for lack of room.
std::string CommonParamsFullText();

class CommonParamList {
 public:
  enum class AddOutcome {
    kAdded,      // at least one line was appended
    kUnchanged,  // every line was there already (or there was nothing to add)
    kFull,       // refused: the list would pass kMaxCommonParams lines
  };

  // After a deletion: the line to select (its index), or nothing.
  struct DeleteOutcome {
    bool deleted = false;
    std::optional<int> select;
  };

  CommonParamList() = default;

  // The tree and the lines as the manager opens them: the tree from groups
  // 1..29, the lines from group 0 in slot order (each with its home group).
  static CommonParamList FromCatalogue(const CParamCatalogue& catalogue);

  const std::vector<CommonTreeGroup>& Tree() const { return tree_; }
  const std::vector<CommonParamLine>& Lines() const { return lines_; }

  // Appends (name, group) unless present, and its related parameter unless
  // present. Refused as a whole when the new lines do not fit.
  AddOutcome AddParam(std::string_view name, int group);
  // Appends every parameter of the tree group `group` that is not present,
  // in tree order, without related parameters. Refused as a whole when the
  // new lines do not fit.
  AddOutcome AddGroup(int group);

  // Deletes line `index` and then the first line holding its related
  // parameter. The selection goes to the line that takes the place of the
  // last line deleted, when there is one.
  DeleteOutcome Delete(int index);
  void DeleteAll() { lines_.clear(); }

  // The name of the related parameter of (name, group): the first parameter
  // of `group` named `name` gives its relation code, and the first parameter
  // of the group with that code is the related one. Nothing for group 0, for
  // a parameter without relation code, or when no parameter has the code.
  std::optional<std::string> RelatedName(std::string_view name, int group) const;

  bool Contains(std::string_view name, int group) const { return Find(name, group).has_value(); }

 private:
  struct ParamKey {
    std::string name;
    std::uint16_t code = 0;
    std::uint16_t relation_code = 0;
  };

  std::optional<std::size_t> Find(std::string_view name, int group) const;
  AddOutcome Append(const std::vector<CommonParamLine>& wanted);

  std::vector<CommonTreeGroup> tree_;
  std::vector<CommonParamLine> lines_;
  // Names and codes of every group's parameters, for the related look-ups.
  std::array<std::vector<ParamKey>, kGroupSlots> relations_;
};

// Puts the chosen lines into the catalogue: group 0 becomes copies of the
// chosen parameters in list order (tip + "[" + group name + "]", home group
// set, common mark set), and every parameter of groups 1..29 is marked common
// exactly when it is the source of a copy (the first parameter of its group
// with the line's name). Lines that no longer name a parameter are left out.
// Returns the number of parameters in group 0.
int ApplyCommonParams(CParamCatalogue& catalogue, const std::vector<CommonParamLine>& lines);

// The common marks of the parameters of groups 1..29, as the catalogue files
// keep them: marks[g][j] for parameter j (from 0) of group g; empty for
// group 0 and for unused groups or groups without parameters.
using CommonParamMarks = std::array<std::vector<bool>, kGroupSlots>;
CommonParamMarks CollectCommonMarks(const CParamCatalogue& catalogue);

}  // namespace zt
