// How long something has run, as the window shows it next to what runs.
#pragma once

#include <chrono>
#include <string>

namespace zt {

// "mm:ss" for less than an hour ("00:07", "12:40"), "h:mm:ss" from an hour
// on ("1:02:03"); a negative duration reads as "00:00".
std::string ElapsedText(std::chrono::seconds elapsed);

}  // namespace zt
