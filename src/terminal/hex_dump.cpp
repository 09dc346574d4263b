#include "terminal/hex_dump.h"

#include <algorithm>

#include "terminal/line_stamper.h"
#include "text/gbk.h"

namespace zt {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";
// Between the last hex pair's column and the text.
constexpr std::string_view kGap = "  ";

bool IsPrintableAscii(unsigned char byte) { return byte >= 0x20 && byte < 0x7F; }
bool IsGbkLead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

std::string TextColumn(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (IsPrintableAscii(byte)) {
      text.push_back(static_cast<char>(byte));
    } else if (IsGbkLead(byte) && at + 1 < bytes.size() && IsValidGbk(bytes.substr(at, 2))) {
      text.append(bytes.substr(at, 2));
      ++at;
    } else {
      text.push_back('.');
    }
  }
  return text;
}

}  // namespace

std::string HexPairs(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3);
  for (const char c : bytes) {
    if (!out.empty()) out.push_back(' ');
    const auto byte = static_cast<unsigned char>(c);
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 0x0F]);
  }
  return out;
}

std::string FormatHexRow(std::string_view bytes) {
  if (bytes.size() > kHexRowBytes) bytes = bytes.substr(0, kHexRowBytes);
  std::string row = HexPairs(bytes);
  // A short row is padded to the width of a full one ("XX " 16 times, less the last blank).
  row.resize(kHexRowBytes * 3 - 1, ' ');
  row += kGap;
  row += TextColumn(bytes);
  return row;
}

void HexDumper::Feed(std::string_view bytes, TerminalTime when, bool stamp, std::string& out) {
  while (!bytes.empty()) {
    if (row_.empty()) row_time_ = when;
    const std::size_t take = std::min(bytes.size(), kHexRowBytes - row_.size());
    row_.append(bytes.substr(0, take));
    bytes.remove_prefix(take);
    if (row_.size() == kHexRowBytes) WriteRow(stamp, out);
  }
}

void HexDumper::Flush(bool stamp, std::string& out) {
  if (!row_.empty()) WriteRow(stamp, out);
}

void HexDumper::WriteRow(bool stamp, std::string& out) {
  if (stamp) out += LineStamp(row_time_);
  out += FormatHexRow(row_);
  out += "\r\n";
  row_.clear();
}

}  // namespace zt
