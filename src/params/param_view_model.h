// What the parameter configuration view shows of the catalogue and how its
// check boxes change it, decided without any widget: the group tree for a
// channel mode, the rows of a group's list, the masked form of a password,
// which editor a value cell opens, and the selection rules of the check boxes
// (read-only parameters, custom pairs, common-group copies).
//
// Thread safety: every function works on the table it is given. Callers hold
// the catalogue lock (SharedCatalogue::Read for the const ones, Write for
// ApplySelection) and report to the operator only after leaving it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "params/param_catalogue.h"

namespace zt {

// GBK "通道参数": the tree's parent item of the channel groups.
std::string_view ChannelGroupsParentName();

// One item of the group tree. The channel parent has group -1 and holds the
// channel groups of the mode as children; every other root item is a group.
struct GroupTreeItem {
  int group = -1;
  std::string name;  // GBK
  std::vector<GroupTreeItem> children;
  bool is_channel_parent() const { return group < 0; }
};

// The tree for a channel mode: used groups with parameters, in slot order
// (0 to 29). On the later generation (s3) a channel group (chn >= 1) shows
// only when its mode set holds `mode`, and every shown channel group goes
// under one "通道参数" parent, placed where the first of them comes in the
// order. On the earlier generation every group is a root item.
std::vector<GroupTreeItem> BuildGroupTree(const CParamCatalogue& catalogue, bool s3,
                                          std::int32_t mode);

// The DTU's channel mode travels as the parameter "OPPRM": it is chosen with
// the channel-mode selector, never edited in the list.
bool IsChannelModeParam(const ParamDef& p);

// One "*" per byte of the value.
std::string MaskedValue(std::string_view value);
// The value as the list shows it: masked for a password, else as stored.
std::string DisplayValue(const ParamDef& p);

// One row of a group's list. Rows and parameter slots are kept apart: the
// hidden "OPPRM" parameter has no row wherever it lies in the group.
struct ParamRow {
  int slot = -1;
  std::string name;     // GBK
  std::string value;    // GBK, as shown (DisplayValue)
  std::string tip;      // GBK
  bool checkable = false;  // read-only parameters carry no check box
  bool checked = false;
  bool is_password = false;
};
std::vector<ParamRow> ListRows(const CParamCatalogue& catalogue, int group);

// What a click on the value cell of a ticked row opens.
enum class EditorKind {
  kNone,          // read-only
  kEditBox,
  kDropDown,      // is_list; editable when is_list_custom
  kCustomDialog,  // is_cust_param
};
EditorKind EditorFor(const ParamDef& p);

// Index of the first option that begins with `text`, letters compared without
// regard to case; -1 when none does.
int FirstOptionStartingWith(const std::vector<std::string>& options, std::string_view text);

// A row's check box changed to `selected` for parameter `index` of `group`.
struct SelectionChange {
  enum class Outcome {
    kApplied,         // the mark (and the partner's) follow the box
    kReadOnly,        // refused: the box goes back; message ReadOnlyText()
    kMissingPartner,  // a custom pair member without its partner: the mark
                      // follows the box alone; message RelationCodeErrorText()
  };
  Outcome outcome = Outcome::kApplied;
  int partner = -1;  // slot of the custom-pair partner whose mark changed too
};

// Sets the parameter's `selected` mark (refused for a read-only parameter
// being ticked), and for a custom pair member its partner's mark too; common
// parameters are kept in step with their copies. A group or index outside the
// table changes nothing.
SelectionChange ApplySelection(CParamCatalogue& catalogue, int group, int index, bool selected);

// GBK "只读参数" (the caption is the parameter's name).
std::string_view ReadOnlyText();
// "relation code  error" with the caption "[group name, parameter name]".
std::string_view RelationCodeErrorText();
std::string RelationCodeErrorCaption(std::string_view group_name, std::string_view param_name);

}  // namespace zt
