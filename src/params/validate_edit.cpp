#include "params/validate_edit.h"

#include "params/value_checks.h"
#include "text/control_bytes.h"
#include "text/gbk_literal.h"
#include "text/numbers.h"
#include "text/strformat.h"

namespace zt {

using namespace zt::literals;

namespace {

// Common checks of the string types after their own: the character set, and
// a constant that may only be retyped as it is.
enum class StringVerdict { kStore, kUnchanged, kRefuse };

StringVerdict CommonStringChecks(const ParamDef& p, std::string_view text) {
  if (p.is_spec_ascstr && !IsSpecAscii(p, text)) return StringVerdict::kRefuse;
  if (p.is_const_param) return text == p.value ? StringVerdict::kUnchanged : StringVerdict::kRefuse;
  return StringVerdict::kStore;
}

}  // namespace

std::string_view RefusalCaption() { return "提示"_gbk; }

EditResult ValidateEdit(CParamCatalogue& catalogue, int group, int index, std::string_view text) {
  EditResult result;
  ParamDef* p = catalogue.Param(group, index);
  if (p == nullptr) return result;
  const ParamGroup& g = *catalogue.Group(group);

  bool pass = false;
  bool store = false;
  bool redraw = false;
  if (HasControlByte(text)) {
    // A line end would end the command that carries the value and start
    // another: no control byte is ever part of a value.
  } else if (p->is_list && !p->is_list_custom) {
    pass = store = redraw = true;
  } else if (IsIntType(p->type)) {
    if (p->is_check_range) {
      pass = store = IsDigitText(*p, text) && IsInRange(*p, text);
      redraw = p->is_cust_param || p->is_list_custom;
    } else if (p->is_list_custom) {
      pass = store = redraw = true;
    } else if (p->is_ipaddr) {
      pass = store = IsIpAddress(text);
    } else {
      pass = true;  // neither examined nor stored
    }
  } else if (p->type == ParamValueType::kDigitStr) {
    pass = store = IsDigitText(*p, text) && IsLengthValid(g, *p, text);
  } else if (p->type == ParamValueType::kAscStr || p->type == ParamValueType::kHexStr) {
    const bool own = p->type == ParamValueType::kAscStr
                         ? IsLengthValid(g, *p, text) && HasNoSpace(text)
                         : IsHexText(text) && IsLengthValid(g, *p, text);
    const StringVerdict verdict = own ? CommonStringChecks(*p, text) : StringVerdict::kRefuse;
    pass = verdict != StringVerdict::kRefuse;
    store = verdict == StringVerdict::kStore;
    redraw = p->is_cust_param;
  } else {
    pass = true;  // no type: nothing happens
  }
  // A value holds at most 255 bytes; a longer text is refused, not cut.
  if (store && text.size() > kMaxStringBytes) pass = store = false;

  if (!pass) {
    result.refusal = p->name + std::string("参数配置不正确"_gbk);
    result.redraw_list = true;
    return result;
  }
  if (store) {
    p->value.assign(text);
    if (p->is_common_param) catalogue.SyncValue(group, index);
    result.stored = true;
    result.redraw_list = redraw;
  }
  return result;
}

CustomPair FindCustomPair(const CParamCatalogue& catalogue, int group, int clicked) {
  CustomPair pair;
  const ParamDef* x = catalogue.Param(group, clicked);
  if (x == nullptr) return pair;
  const int partner = catalogue.FindParamByCode(group, x->relation_code);
  if (x->fixed_length) {
    pair.length_index = clicked;
    pair.value_index = partner;
  } else {
    pair.value_index = clicked;
    pair.length_index = partner;
  }
  return pair;
}

CustomPairDialogFields CustomPairDialogOpen(const ParamDef* length_member,
                                            const ParamDef* value_member) {
  CustomPairDialogFields fields;
  if (length_member != nullptr) {
    fields.length_label = length_member->name + ":";
    fields.hint = length_member->tip;
    fields.length = Atoi(length_member->value);
  }
  if (value_member != nullptr) {
    fields.value_label = value_member->name + ":";
    fields.value = value_member->value;
    fields.hex = value_member->type == ParamValueType::kHexStr;
  }
  return fields;
}

CustomPairOutcome ConfirmCustomPair(const ParamDef* length_member, const ParamDef* value_member,
                                    int length_field, std::string_view value_field, bool hex_box) {
  CustomPairOutcome outcome;
  const std::string length_name = length_member != nullptr ? length_member->name : std::string();
  const std::string entered = RemoveSpaces(value_field);
  if (hex_box && !IsHexText(value_field)) {
    outcome.refusal = std::string("输入的十六进制字符串不合法"_gbk);
    return outcome;
  }
  const long long expected = hex_box ? 2LL * length_field : length_field;
  if (static_cast<long long>(entered.size()) != expected) {
    outcome.refusal = length_name + std::string("和内容不一致"_gbk);
    return outcome;
  }
  if (length_member != nullptr && length_member->is_check_range) {
    const auto length = static_cast<std::uint32_t>(length_field);
    const bool in_range =
        (length >= length_member->range_low && length <= length_member->range_high) ||
        (length_member->has_range_extra && length == length_member->range_extra);
    if (!in_range) {
      outcome.refusal = length_name + std::string("配置不合法"_gbk);
      return outcome;
    }
  }

  const ParamValueType value_type =
      value_member != nullptr ? value_member->type : ParamValueType::kNone;
  outcome.length_text = Format("%d", length_field);
  if (!hex_box && value_type == ParamValueType::kHexStr) {
    outcome.value_text = HexDump(entered);
  } else if (hex_box && value_type == ParamValueType::kAscStr) {
    outcome.value_text = HexToBytes(entered).bytes;
  } else {
    outcome.value_text = entered;
  }
  // The formed value must fit a value (a hex dump triples the length).
  if (outcome.value_text.size() > kMaxStringBytes) {
    outcome = CustomPairOutcome{};
    outcome.refusal = length_name + std::string("配置不合法"_gbk);
  }
  // Hexadecimal input may form control bytes ("0D0A"); the partner's text is
  // stored without ValidateEdit, so the pair refuses them itself.
  if (outcome.accepted() && HasControlByte(outcome.value_text)) {
    outcome = CustomPairOutcome{};
    outcome.refusal =
        (value_member != nullptr ? value_member->name : std::string()) + std::string("参数配置不正确"_gbk);
  }
  return outcome;
}

EditResult CommitCustomPair(CParamCatalogue& catalogue, int group, int clicked,
                            const CustomPairOutcome& outcome) {
  EditResult result;
  const CustomPair pair = FindCustomPair(catalogue, group, clicked);
  if (pair.length_index < 0 && pair.value_index < 0) return result;
  const bool clicked_is_length = pair.length_index == clicked;
  const std::string& clicked_text = clicked_is_length ? outcome.length_text : outcome.value_text;
  const std::string& partner_text = clicked_is_length ? outcome.value_text : outcome.length_text;
  const int partner = clicked_is_length ? pair.value_index : pair.length_index;

  if (clicked_text != catalogue.Param(group, clicked)->value) {
    result = ValidateEdit(catalogue, group, clicked, clicked_text);
  }
  if (ParamDef* q = catalogue.Param(group, partner); q != nullptr && q->value != partner_text) {
    q->value = CapString(partner_text);
    catalogue.SyncValue(group, partner);
  }
  result.redraw_list = true;
  return result;
}

}  // namespace zt
