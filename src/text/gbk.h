// Conversion between the tool's GBK text and UTF-8, for the edges of the
// program (Qt widgets, terminal output, command-line arguments).
//
// Thread safety: every function is pure and may be called from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "text/gbk_literal.h"

namespace zt {

// GBK to UTF-8. A byte that does not start a valid GBK character becomes
// U+FFFD; the conversion never fails and never drops the rest of the text.
std::string GbkToUtf8(std::string_view gbk);

// GBK to UTF-8 for showing raw line data: every byte that is not part of a
// valid character, and a zero byte (which would end the text wherever it is
// taken as a C string), is shown as the four characters "\xNN" (upper-case
// hex), so nothing received is hidden or lost.
std::string GbkToUtf8Escaped(std::string_view gbk);

// GBK to UTF-8 for a terminal: as GbkToUtf8Escaped, and every control byte
// (below 0x20, and 0x7F; text/control_bytes.h) is shown as "\xNN" too, so
// that text from a unit can neither move the cursor nor send the terminal a
// command. Line ends included: the caller writes its own.
std::string GbkToUtf8ForTerminal(std::string_view gbk);

// UTF-8 to GBK. Returns nothing when the text is not valid UTF-8 or holds a
// character that GBK cannot encode.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);

// UTF-8 to GBK, replacing what cannot be converted by `replacement`.
std::string Utf8ToGbkLossy(std::string_view utf8, char replacement = '?');

// True when every byte belongs to an ASCII or a double-byte GBK character.
bool IsValidGbk(std::string_view gbk);

}  // namespace zt
