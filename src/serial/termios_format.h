// How a line format becomes termios settings (POSIX builds only). Pure
// functions, apart from the device, so the mapping can be checked on its own:
// a pseudo-terminal keeps neither the character size nor the parity flag.
#pragma once

#include <termios.h>

#include <cstdint>

#include "serial/serial_device.h"

namespace zt::serial_detail {

// Raw data path: no echo, no line editing, no signals, no CR/LF translation,
// no XON/XOFF; the receiver on, modem-control lines ignored; reads return at
// once (VMIN = VTIME = 0). Hardware handshake (CRTSCTS) is left as it is.
void MakeRaw(termios& t);

// Baud, character size, stop bits and parity. A field termios cannot express
// (a non-standard baud, a data-bit count outside 5 to 8, an unknown code)
// keeps its current value. termios has one and two stop bits only: the
// one-and-a-half code asks for two, which a UART sends as one and a half
// with 5-bit characters, and which keeps any receiver in step otherwise.
void SetFormat(termios& t, const LineFormat& line);

// Whether termios has a constant for the speed (B9600, ...); the others are
// set through termios2 (line_speed.h).
bool IsStandardSpeed(std::uint32_t baud);

}  // namespace zt::serial_detail
