// The one check an edited value goes through before it replaces the stored
// value, and the confirmation of the custom length/value pair dialog.
//
// Both are plain functions: they return what happened and the text of the
// message box, and the caller (the view, the production test) shows it. The
// caller holds the catalogue's write lock while calling them and shows the
// message only after leaving the lock.
#pragma once

#include <string>
#include <string_view>

#include "params/param_catalogue.h"

namespace zt {

// GBK "提示": the caption of every refusal; the icon is the error icon.
std::string_view RefusalCaption();

struct EditResult {
  bool stored = false;       // `value` now holds the text
  bool redraw_list = false;  // the list must be refilled from the catalogue
  std::string refusal;       // GBK name + "参数配置不正确"; empty when accepted
  bool accepted() const { return refusal.empty(); }
};

// Examines `text` for parameter `index` of `group` and stores it when it
// passes (then keeps the common group in step for an is_common_param). An
// accepted edit may store nothing: a constant retyped as it was, an integer
// without range, list or address check, a parameter without type. A text
// longer than a value can hold (255 bytes), or holding a control byte (below
// 0x20, or 0x7F), is refused whatever the parameter. A group or index
// outside the table does nothing.
EditResult ValidateEdit(CParamCatalogue& catalogue, int group, int index, std::string_view text);

// The two members of a custom pair in one group: the length member carries
// fixed_length. -1 for a member that cannot be found.
struct CustomPair {
  int length_index = -1;
  int value_index = -1;
};
CustomPair FindCustomPair(const CParamCatalogue& catalogue, int group, int clicked);

// What the dialog shows when it opens.
struct CustomPairDialogFields {
  std::string length_label;  // length member's name + ":"
  std::string value_label;   // value member's name + ":"
  std::string hint;          // length member's tip
  int length = 0;            // length member's value as an integer
  std::string value;         // value member's value
  bool hex = false;          // ticked when the value member is a HEXSTR
};
CustomPairDialogFields CustomPairDialogOpen(const ParamDef* length_member,
                                            const ParamDef* value_member);

// The dialog's OK: checks the fields and forms the two new texts. On a
// refusal the dialog stays open with the focus on the length field. A value
// text holding a control byte (hexadecimal input can form one) is refused as
// ValidateEdit refuses it: value member's name + "参数配置不正确".
struct CustomPairOutcome {
  std::string refusal;      // GBK message text (caption "提示"); empty when accepted
  std::string length_text;  // "%d" of the length field
  std::string value_text;   // the value field as the value member stores it
  bool accepted() const { return refusal.empty(); }
};
CustomPairOutcome ConfirmCustomPair(const ParamDef* length_member, const ParamDef* value_member,
                                    int length_field, std::string_view value_field, bool hex_box);

// After OK: the clicked member's text goes through ValidateEdit (when it
// differs from its value); the partner's text is stored directly (when it
// differs) and synchronised with the common group. The result is the clicked
// member's ValidateEdit result, with redraw_list set.
EditResult CommitCustomPair(CParamCatalogue& catalogue, int group, int clicked,
                            const CustomPairOutcome& outcome);

}  // namespace zt
