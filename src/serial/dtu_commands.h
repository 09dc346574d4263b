// The command lines that carry a value to the DTU. Nothing else in the tool
// spells them.
//
// The DTU ends a command at CR or LF, so a value holding one (or any other
// control byte, text/control_bytes.h) would put commands of its own on the
// wire: "APN=b\nAT+USEDEFAULT=MUL" would restore the factory values. Whatever
// the checks before them let through, these builders refuse such a keyword or
// value and return nothing; the caller then logs the failure line it logs when
// the DTU does not answer, and sends nothing.
//
// Thread safety: pure functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zt {

// "AT+SETPARAM=<keyword>,<value>\r\n".
std::optional<std::string> SetParamCommand(std::string_view keyword, std::string_view value);

// The product number: "AT+SETPARAM=SPPID,<number>\r\n".
std::optional<std::string> SetProductNumberCommand(std::string_view product_number);

// The IMEI: "AT+SETPARAM=IMEINUMBER,<imei>\r\n" on the later generation
// (`s3`); the earlier one has a command of its own, "AT+SETIMEI=<imei>\r\n".
std::optional<std::string> SetImeiCommand(std::string_view imei, bool s3);

}  // namespace zt
