// Which firmware generation a DTU runs, from its software version text.
#pragma once

#include <string_view>

namespace zt {

// True (the later generation, S3) when the first digit-dot-digit-dot-digit
// run of the text starts with a digit of 3 or more, or when there is no such
// run; false (S2) otherwise. "2.1.5" is S2, "3.0.1" S3, "10.2.3" S2 (its first
// run is 0.2.3).
bool IsS3Version(std::string_view text);

}  // namespace zt
