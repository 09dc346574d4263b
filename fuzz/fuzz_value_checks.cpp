// Arbitrary bytes as an edited value and as a DTU reply. The first two bytes
// shape the parameter (type, flags, limits), the rest is the text.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "params/validate_edit.h"
#include "params/value_checks.h"

namespace {

// Group 1: a custom pair (slots 0 and 1) and the parameter under test (slot 2).
zt::CParamCatalogue& Table() {
  static const auto table = [] {
    auto c = std::make_unique<zt::CParamCatalogue>();
    zt::ParamGroup& g = c->groups[1];
    g.name = "g";
    g.count = 3;
    zt::ParamDef& length = g.params[0];
    length.code = 0x0101;
    length.name = "len";
    length.type = zt::ParamValueType::kInt1;
    length.fixed_length = length.is_cust_param = length.is_check_range = true;
    length.relation_code = 0x0102;
    length.range_low = 1;
    length.range_high = 64;
    length.has_range_extra = true;
    zt::ParamDef& value = g.params[1];
    value.code = 0x0102;
    value.name = "data";
    value.is_cust_param = true;
    value.relation_code = 0x0101;
    value.length = 64;
    g.params[2].code = 0x0103;
    c->groups[0] = g;  // a common group to keep in step
    c->groups[0].name = "common";
    return c;
  }();
  return *table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t shape = data[0];
  const std::uint8_t limits = data[1];
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

  zt::CParamCatalogue& c = Table();
  for (int i = 0; i < 3; ++i) {
    c.groups[0].params[i].value.clear();
    c.groups[1].params[i].value.clear();
  }
  c.groups[1].params[0].value = "4";
  c.groups[1].params[1].type = (shape & 1) != 0 ? zt::ParamValueType::kHexStr : zt::ParamValueType::kAscStr;
  zt::ParamDef& p = c.groups[1].params[2];
  p.type = static_cast<zt::ParamValueType>(shape % 7);
  p.is_list = (shape & 0x08) != 0;
  p.is_list_custom = (shape & 0x10) != 0;
  p.is_check_range = (shape & 0x20) != 0;
  p.is_ipaddr = (shape & 0x40) != 0;
  p.is_const_param = (shape & 0x80) != 0;
  p.fixed_length = (limits & 0x01) != 0;
  p.is_spec_ascstr = (limits & 0x02) != 0;
  p.spec_ascstr_first = (limits & 0x04) != 0 ? "abc" : "";
  p.spec_ascstr_other = "abc123";
  p.is_cust_param = (limits & 0x08) != 0;
  p.relation_code = (limits & 0x10) != 0 ? 0x0101 : 0;
  p.is_common_param = (limits & 0x20) != 0;
  p.has_range_extra = (limits & 0x40) != 0;
  p.length = static_cast<std::uint16_t>(limits >> 2);
  p.range_low = limits & 0x0F;
  p.range_high = static_cast<std::uint32_t>(limits) * 300;
  p.list_options = {"TCP", "UDP", ""};
  p.list_value = {"0"};
  p.name = (limits & 0x80) != 0 ? std::string(zt::ServiceCentreName()) : "p";

  (void)zt::ValidateEdit(c, 1, 2, text);
  (void)zt::ValidateEdit(c, 1, 0, text);
  (void)zt::ValidateEdit(c, 1, 1, text);
  (void)zt::IsIpAddress(text);
  (void)zt::IsDigitText(p, text);
  (void)zt::IsInRange(p, text);
  (void)zt::IsLengthValid(c.groups[1], p, text);
  (void)zt::IsSpecAscii(p, text);
  const zt::HexBytes bytes = zt::HexToBytes(text);
  (void)zt::HexDump(bytes.bytes);
  (void)zt::ValueFromReply(p, text, (shape & 1) != 0);
  (void)zt::PreselectedOption(p, text);
  p.value.assign(text.substr(0, zt::kMaxStringBytes));
  (void)zt::DisplayText(p);
  (void)zt::WireValueForSet(p);
  const zt::CustomPairOutcome o =
      zt::ConfirmCustomPair(&c.groups[1].params[0], &c.groups[1].params[1],
                            static_cast<int>(limits) - 8, text, (shape & 2) != 0);
  if (o.accepted()) (void)zt::CommitCustomPair(c, 1, (shape & 4) != 0 ? 0 : 1, o);
  return 0;
}
