// The local times the AT terminal writes: the stamp in front of a line
// ("HH:MM:SS.mmm") and the stamp in a log file's name ("YYYYMMDD-HHMMSS").
//
// Thread safety: pure functions of their argument and the local time zone.
#pragma once

#include <chrono>
#include <string>

namespace zt {

// When a byte arrived or a block was sent: the wall clock, shown in local time.
using TerminalTime = std::chrono::system_clock::time_point;

inline TerminalTime TerminalNow() { return std::chrono::system_clock::now(); }

// "HH:MM:SS.mmm", local time, 24 hours.
std::string ClockText(TerminalTime when);

// "YYYYMMDD-HHMMSS", local time.
std::string FileStampText(TerminalTime when);

}  // namespace zt
