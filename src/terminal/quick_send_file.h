// The quick-send panel's file "cmd.ini": eleven rows (a text and a HEX mark)
// and the auto-cycle interval. The file lies in the process's current folder.
//
//   [option1] ... [option11]   checked=1 or 0 (the HEX mark), content=the text
//   [option10]                 interval=the interval edit's text
//
// Reading ticks a mark only when "checked" reads as the integer 1 ("01" and
// "1" do, "yes" does not); a content is cut to 1023 bytes.
//
// Thread safety: the functions touch only the file; not for concurrent
// writers of one file.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace zt {

inline constexpr int kQuickSendRows = 11;
inline constexpr std::string_view kQuickSendFile = "cmd.ini";
// What the interval edit shows when the file stores none.
inline constexpr std::string_view kDefaultQuickSendInterval = "1000";

struct QuickSendRow {
  std::string text;  // GBK, as typed
  bool hex = false;
};

struct QuickSendContents {
  std::array<QuickSendRow, kQuickSendRows> rows;
  std::string interval{kDefaultQuickSendInterval};
};

// Fills `contents` from the file. An absent file leaves it unchanged; rows
// the file does not hold become empty and unmarked; an absent or empty
// interval leaves the interval unchanged.
void LoadQuickSend(const std::string& path, QuickSendContents& contents);

// Writes a fresh file: for rows 1 to 11 "checked" then "content", then
// "interval" in section "option10". False when it cannot be written (the
// old file then stays as it was).
bool SaveQuickSend(const std::string& path, const QuickSendContents& contents);

}  // namespace zt
