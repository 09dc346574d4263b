// The checks an edited value goes through, the conversions between text and
// hexadecimal text, and the forms a value takes on the wire.
//
// Values are GBK text; lengths are bytes (for HEXSTR: digit pairs).
// Thread safety: every function works on what it is given; the caller holds
// the catalogue lock while a ParamDef of the shared catalogue is involved.
#pragma once

#include <string>
#include <string_view>

#include "params/param_catalogue.h"

namespace zt {

// GBK "服务中心号码": the one DIGITSTR parameter whose value may start with "+".
std::string_view ServiceCentreName();

// Decimal digits only. An INT type refuses the empty text; DIGITSTR accepts
// it. For the parameter named "服务中心号码" one leading "+" is allowed.
bool IsDigitText(const ParamDef& p, std::string_view text);

// The text read as atoi reads it, compared as unsigned 32-bit: within
// range_low..range_high, or equal to range_extra when that is in force.
bool IsInRange(const ParamDef& p, std::string_view text);

// Length of the text (bytes; HEXSTR: blanks removed, digit pairs, an odd
// digit count fails) against the parameter: exactly `length` with
// fixed_length; else within the partner's range when `group` holds the
// custom-pair partner (code == relation_code); else at most `length`. Without
// fixed_length, an is_ipaddr parameter must also be an IP address.
bool IsLengthValid(const ParamGroup& group, const ParamDef& p, std::string_view text);

// No blank in the text.
bool HasNoSpace(std::string_view text);

// "0"-"9", "a"-"f", "A"-"F" and blanks only (the empty text passes).
bool IsHexText(std::string_view text);

// Empty text passes; otherwise both character sets must be non-empty, the
// first byte must be in spec_ascstr_first and every later byte in
// spec_ascstr_other.
bool IsSpecAscii(const ParamDef& p, std::string_view text);

// A dotted IPv4 address for a DTU: digits and exactly three dots; the first
// three numbers 1 to 3 digits and 0..255; the last number 0..255 (any number
// of digits, at least one); 0.0.0.0, or a first number of 1..126 or 128..223.
bool IsIpAddress(std::string_view text);

// Each byte as "%02X " (three characters per byte, the last space included).
std::string HexDump(std::string_view bytes);

// Blanks are skipped, digits paired from the left (a last unpaired digit is
// dropped). Another character ends the conversion: `bytes` keeps what was made
// and `ok` is false. The result is text, so it ends at its first zero byte.
struct HexBytes {
  std::string bytes;
  bool ok = true;
};
HexBytes HexToBytes(std::string_view text);

// The text without its blanks.
std::string RemoveSpaces(std::string_view text);

// The value as the list and the editors show it: one "*" per byte for a
// password, otherwise as stored.
std::string DisplayText(const ParamDef& p);

// The drop-down's first selection: the first option that begins with the
// cell's text, letters compared without regard to case (the bytes of a GBK
// character exactly); -1 for none.
int PreselectedOption(const ParamDef& p, std::string_view cell_text);

// The value as the set command (SetParamCommand) sends it. HEXSTR: blanks removed, and the stored
// value keeps that change. INT1 list: the list_value entry at the index of the
// first list_options entry equal to the value; the stored text itself when no
// option matches, or when list_value has no entry at that index (a catalogue
// whose lists differ in length: we send what the operator sees rather than
// guess). Everything else: the stored value.
std::string WireValueForSet(ParamDef& p);

// The same form without storing anything.
std::string WireForm(const ParamDef& p);

// The value to store from an "AT+GETPARAM?" reply. HEXSTR loses a "0x" or
// "0X" prefix in the base lines, only "0x" in a channel block; then "NULL"
// stands for the empty value. No reverse list mapping takes place. Cut to
// the capacity of a value.
std::string ValueFromReply(const ParamDef& p, std::string_view received, bool channel_block);

}  // namespace zt
