// The rules of the AT terminal's receive box and of saving what it holds.
//
// The receive box shows the received bytes as GBK text. Each block read from
// the port ends at its first zero byte. A box that holds 500 lines or more is
// emptied before the next text goes in. "保存信息" writes the bytes the box
// shows, exactly as received, to a ".txt" file.
//
// Thread safety: pure functions; WriteReceivedFile touches only its file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zt {

inline constexpr int kReceiveBoxLineLimit = 500;

// True when a box holding `line_count` lines is emptied before an append.
bool ClearsBeforeAppend(int line_count);

// The box shows a line that has no end yet in pieces of at most this many
// bytes: laying out one ever longer line again on every append would hold up
// the window on a line that never ends. Only the display is broken; the
// bytes kept for a save are those received.
inline constexpr std::size_t kLongestShownLine = 1024;

// `gbk` as the box shows it: "\n" put in wherever a line would grow beyond
// kLongestShownLine bytes (never inside a GBK character). `column` is the
// length of the line the box ends with; it is updated.
std::string BreakLongLines(std::string_view gbk, std::size_t& column);

// A block read from the port, up to its first zero byte.
std::string_view TextBeforeZero(std::string_view block);

// The length of the longest prefix of `bytes` that does not end inside a GBK
// character: only a lead byte (0x81 to 0xFE) left alone at the very end is
// kept back, so that a character split between two reads shows whole.
std::size_t CompleteGbkLength(std::string_view bytes);

// The saved file's name: ".txt" appended unless the path holds ".txt"
// anywhere ("log.txt.bak" stays, "log" becomes "log.txt").
std::string WithTxtExtension(std::string path);

// The run-log line of a save: "保存调试信息成功, 保存的路径是:" with the GBK
// path, every "\" turned into "/", then CR LF. The second byte of a GBK
// character may be 0x5C; it is part of that character and stays.
std::string SaveLogLine(std::string_view gbk_path);

// Creates (or empties) the file at `native_path` and writes `bytes`. False
// when the file cannot be created or written.
bool WriteReceivedFile(const std::string& native_path, std::string_view bytes);

}  // namespace zt
