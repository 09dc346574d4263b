// Arbitrary bytes as what a unit, or the server in front of a remote port,
// sends. The first byte says where the stream is cut into pieces; the rest
// is the stream. Each reader must give the same result whole and in pieces,
// and nothing from the unit may reach a terminal as a control byte.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "serial/telnet_com_port.h"
#include "terminal/at_reply.h"
#include "terminal/unit_text_escape.h"
#include "text/gbk.h"
#include "worker/query_parser.h"

namespace {

using zt::serial_detail::TelnetComPort;

void Require(bool holds) {
  if (!holds) __builtin_trap();
}

// The stream cut every `step` bytes (a step of 0 leaves it whole).
std::vector<std::string_view> Pieces(std::string_view stream, unsigned step) {
  if (step == 0) return {stream};
  std::vector<std::string_view> pieces;
  for (std::size_t at = 0; at < stream.size(); at += step) pieces.push_back(stream.substr(at, step));
  return pieces;
}

bool SafeForATerminal(std::string_view text, bool line_ends_allowed) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\n' && line_ends_allowed) continue;
    if (byte < 0x20 || byte == 0x7F) return false;
  }
  return true;
}

std::string TelnetData(const std::vector<std::string_view>& pieces, std::string* replies) {
  TelnetComPort codec;
  std::string data;
  for (const std::string_view piece : pieces) {
    codec.Feed(piece);
    char buffer[64];
    for (std::size_t n; (n = codec.TakeData(buffer, sizeof buffer)) > 0;) data.append(buffer, n);
    if (replies != nullptr) replies->append(codec.TakeReplies());
  }
  return data;
}

void CheckTelnet(std::string_view stream, const std::vector<std::string_view>& pieces) {
  std::string replies_whole;
  std::string replies_cut;
  Require(TelnetData({stream}, &replies_whole) == TelnetData(pieces, &replies_cut));
  Require(replies_whole == replies_cut);
  // Answers stay bounded: one of three bytes per negotiation at most.
  Require(replies_whole.size() <= stream.size());
  // Data sent with its IACs doubled comes back unchanged.
  Require(TelnetData({TelnetComPort::EncodeData(stream)}, nullptr) == stream);
}

void CheckAtReply(std::string_view stream, const std::vector<std::string_view>& pieces) {
  zt::AtReplyCollector whole("AT+CSQ");
  zt::AtReplyCollector cut("AT+CSQ");
  whole.Feed(stream);
  for (const std::string_view piece : pieces) cut.Feed(piece);
  Require(whole.End() == cut.End());
  Require(whole.Lines() == cut.Lines());
  for (const std::string& line : whole.Lines()) Require(SafeForATerminal(zt::EscapeUnitLine(line), false));
}

void CheckTerminalText(std::string_view stream, const std::vector<std::string_view>& pieces) {
  zt::UnitTextEscaper escaper;
  std::string shown;
  for (const std::string_view piece : pieces) shown += escaper.Feed(piece);
  shown += escaper.Finish();
  Require(SafeForATerminal(shown, true));
  Require(SafeForATerminal(zt::GbkToUtf8ForTerminal(stream), false));
}

void CheckQueryReply(std::string_view stream) {
  // Keywords are the texts before each "=", as a reply names them.
  std::vector<std::string> keywords;
  for (std::size_t eq = stream.find('='); eq != std::string_view::npos && keywords.size() < 32;
       eq = stream.find('=', eq + 1)) {
    std::size_t start = eq;
    while (start > 0 && eq - start < 12 && stream[start - 1] != '\r' && stream[start - 1] != '\n') --start;
    keywords.emplace_back(stream.substr(start, eq - start));
  }
  zt::KeywordIndex index(stream);
  for (const std::string& k : keywords) index.Want(k);
  index.Build();
  for (const std::string& k : keywords) {
    const std::size_t pos = index.Find(k);
    Require(pos == stream.find(k + "="));
    if (pos != std::string_view::npos) Require(zt::ExtractValueAt(stream, pos, k.size()).size() <= 128);
  }
  for (const std::string_view line : zt::SplitWorkFileLines(stream)) {
    Require(line.size() <= 998);
    (void)zt::ChannelHeaderNumber(line);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned step = data[0] % 8;
  const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::vector<std::string_view> pieces = Pieces(stream, step);
  CheckTelnet(stream, pieces);
  CheckAtReply(stream, pieces);
  CheckTerminalText(stream, pieces);
  CheckQueryReply(stream);
  return 0;
}
