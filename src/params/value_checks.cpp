#include "params/value_checks.h"

#include "text/gbk_literal.h"
#include "text/numbers.h"

namespace zt {

using namespace zt::literals;

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

int PartnerIndex(const ParamGroup& group, std::uint16_t code) {
  for (int i = 0; i < group.UsedCount(); ++i) {
    if (group.params[static_cast<std::size_t>(i)].code == code) return i;
  }
  return -1;
}

}  // namespace

std::string_view ServiceCentreName() { return "服务中心号码"_gbk; }

bool IsDigitText(const ParamDef& p, std::string_view text) {
  if (IsIntType(p.type) && text.empty()) return false;
  if (p.name == ServiceCentreName() && text.starts_with('+')) text.remove_prefix(1);
  for (const char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

bool IsInRange(const ParamDef& p, std::string_view text) {
  // A number beyond 32 bits must not wrap round into the range
  // ("4294967297" is not 1).
  const long long number = LeadingInteger(text);
  if (number < 0 || number > 0xFFFFFFFFLL) return false;
  const auto value = static_cast<std::uint32_t>(number);
  if (value >= p.range_low && value <= p.range_high) return true;
  return p.has_range_extra && value == p.range_extra;
}

bool IsLengthValid(const ParamGroup& group, const ParamDef& p, std::string_view text) {
  std::size_t length = text.size();
  if (p.type == ParamValueType::kHexStr) {
    const std::size_t digits = RemoveSpaces(text).size();
    if (digits % 2 != 0) return false;
    length = digits / 2;
  }
  if (p.fixed_length) return length == p.length;
  const int partner = PartnerIndex(group, p.relation_code);
  bool ok = false;
  if (partner >= 0) {
    const ParamDef& q = group.params[static_cast<std::size_t>(partner)];
    ok = q.range_low <= length && length <= q.range_high;
  } else {
    ok = length <= p.length;
  }
  if (ok && p.is_ipaddr) ok = IsIpAddress(text);
  return ok;
}

bool HasNoSpace(std::string_view text) { return text.find(' ') == std::string_view::npos; }

bool IsHexText(std::string_view text) {
  for (const char c : text) {
    if (!IsHexDigit(c) && c != ' ') return false;
  }
  return true;
}

bool IsSpecAscii(const ParamDef& p, std::string_view text) {
  if (text.empty()) return true;
  if (p.spec_ascstr_first.empty() || p.spec_ascstr_other.empty()) return false;
  if (p.spec_ascstr_first.find(text[0]) == std::string::npos) return false;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (p.spec_ascstr_other.find(text[i]) == std::string::npos) return false;
  }
  return true;
}

bool IsIpAddress(std::string_view text) {
  if (text.empty()) return false;
  int dots = 0;
  for (const char c : text) {
    if (c == '.') {
      ++dots;
    } else if (!IsDigit(c)) {
      return false;
    }
  }
  if (dots != 3) return false;
  int numbers[4] = {};
  for (int i = 0; i < 3; ++i) {
    const std::size_t dot = text.find('.');
    const std::string_view piece = text.substr(0, dot);
    if (piece.empty() || piece.size() > 3) return false;
    numbers[i] = Atoi(piece);
    if (numbers[i] > 255) return false;
    text.remove_prefix(dot + 1);
  }
  // The last number may carry leading zeros ("0004"), but it must be there:
  // "1.2.3." is no address.
  if (text.empty()) return false;
  const long long last = LeadingInteger(text);
  if (last > 255) return false;
  numbers[3] = static_cast<int>(last);
  const int a = numbers[0];
  if (a == 0) return numbers[1] == 0 && numbers[2] == 0 && numbers[3] == 0;
  return (a >= 1 && a <= 126) || (a >= 128 && a <= 223);
}

std::string HexDump(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0F];
    out += ' ';
  }
  return out;
}

HexBytes HexToBytes(std::string_view text) {
  HexBytes result;
  int high = -1;
  for (const char c : text) {
    if (c == ' ') continue;
    if (!IsHexDigit(c)) {
      result.ok = false;
      break;
    }
    if (high < 0) {
      high = HexValue(c);
    } else {
      result.bytes += static_cast<char>((high << 4) | HexValue(c));
      high = -1;
    }
  }
  const std::size_t zero = result.bytes.find('\0');
  if (zero != std::string::npos) result.bytes.resize(zero);
  return result;
}

std::string RemoveSpaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c != ' ') out += c;
  }
  return out;
}

std::string DisplayText(const ParamDef& p) {
  return p.is_password ? std::string(p.value.size(), '*') : p.value;
}

namespace {

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool BeginsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto lead = static_cast<unsigned char>(prefix[i]);
    if (lead >= 0x81 && lead <= 0xFE && i + 1 < prefix.size()) {
      if (text[i] != prefix[i] || text[i + 1] != prefix[i + 1]) return false;
      ++i;
    } else if (FoldAscii(text[i]) != FoldAscii(prefix[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace

int PreselectedOption(const ParamDef& p, std::string_view cell_text) {
  for (std::size_t k = 0; k < p.list_options.size(); ++k) {
    if (BeginsWithIgnoringCase(p.list_options[k], cell_text)) return static_cast<int>(k);
  }
  return -1;
}

std::string WireForm(const ParamDef& p) {
  if (p.type == ParamValueType::kHexStr) return RemoveSpaces(p.value);
  if (p.type == ParamValueType::kInt1 && p.is_list) {
    for (std::size_t k = 0; k < p.list_options.size(); ++k) {
      if (p.list_options[k] != p.value) continue;
      return k < p.list_value.size() ? p.list_value[k] : p.value;
    }
  }
  return p.value;
}

std::string WireValueForSet(ParamDef& p) {
  if (p.type == ParamValueType::kHexStr) p.value = RemoveSpaces(p.value);
  return WireForm(p);
}

std::string ValueFromReply(const ParamDef& p, std::string_view received, bool channel_block) {
  if (p.type == ParamValueType::kHexStr && received.size() >= 2 && received[0] == '0' &&
      (received[1] == 'x' || (received[1] == 'X' && !channel_block))) {
    received.remove_prefix(2);
  }
  if (received == "NULL") return {};
  return CapString(received);
}

}  // namespace zt
