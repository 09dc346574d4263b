// Any line speed through termios2 and BOTHER (Linux). Kept apart from every
// file that includes <termios.h>: the kernel's <asm/termbits.h> defines the
// same names differently.
#pragma once

#include <cstdint>
#include <optional>

namespace zt::serial_detail {

// Sets input and output speed of the terminal `fd` to `baud` bits per second
// as an arbitrary rate (BOTHER), leaving every other setting alone. False
// when the driver refuses the change.
bool SetArbitrarySpeed(int fd, std::uint32_t baud);

// The output speed the driver reports now, in bits per second.
std::optional<std::uint32_t> ReadSpeed(int fd);

// Whether a speed read back is the one asked for: drivers round to what
// their clock can divide, so within 2 % counts (the kernel's own tolerance
// when it maps a rate to a standard constant).
bool SpeedMatches(std::uint32_t asked, std::uint32_t reported);

}  // namespace zt::serial_detail
