// UTF-8 text that came from a unit, made safe to show: every control byte
// (C0, DEL, and the C1 controls as UTF-8 writes them) becomes \xNN, so that
// nothing a unit said can move a terminal's cursor or hide in a table.
#pragma once

#include <string>
#include <string_view>

namespace zt {

std::string EscapeUtf8Controls(std::string_view utf8);

}  // namespace zt
