// Reading the DTU's answer to "AT+GETPARAM?" apart from the worker thread.
//
// The answer is plain text: the echo of the command, then "KEYWORD=value"
// lines ended by CR, then on the later generation one block per channel
// starting with a line that holds "ID=" and the channel number, then "OK".
// The tool searches it for "KEYWORD=" anywhere, not line by line, so a
// keyword found inside another line counts where it is found.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "params/param_catalogue.h"

namespace zt {

// The echo of "AT+GETPARAM?\r\n" that leads the answer.
inline constexpr std::size_t kQueryEchoLength = 14;

// The value of the entry that starts at `pos` (where `keyword` + "=" was
// found): the text after the "=" up to, not including, the last byte of a
// copy that runs to the first CR inclusive, at most 128 bytes, and no further
// than the end of the text.
std::string ExtractValueAt(std::string_view text, std::size_t pos, std::size_t keyword_length);

// Finds the first occurrence of keyword + "=" for many keywords in one pass
// over the text: the work grows with the text and the number of distinct
// keyword lengths, not with the number of keywords times the text.
class KeywordIndex {
 public:
  explicit KeywordIndex(std::string_view text);
  // Registers the keywords to look for (duplicates are fine); then Build.
  void Want(std::string_view keyword);
  void Build();
  // Position of the first keyword + "=", or npos.
  std::size_t Find(std::string_view keyword) const;

 private:
  std::string_view text_;
  std::unordered_map<std::string_view, std::size_t> first_;
  std::vector<std::size_t> lengths_;
};

// The base pass: stores the values of the reply text (after the echo) into
// every group that is not a channel group on the later generation (`s3`),
// skipping constants; keeps common-group copies in step. Returns the
// selector indexes to report, one for each OPPRM value met (later
// generation), and leaves `mode` at the mode the DTU reports.
std::vector<int> StoreBaseReplyValues(CParamCatalogue& catalogue, std::string_view text, bool s3,
                                      std::int32_t& mode);

// The channel number of a channel header line, as atoi reads the text after
// its first "ID=", or nothing when the line holds no "ID=".
std::optional<int> ChannelHeaderNumber(std::string_view line);

// The lines of the channel part as the work file gives them back: each piece
// ends after an LF, and a line longer than 998 bytes goes on as a new piece.
std::vector<std::string_view> SplitWorkFileLines(std::string_view text);

}  // namespace zt
