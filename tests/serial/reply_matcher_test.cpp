#include "serial/reply_matcher.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace zt {
namespace {

using namespace std::string_literals;

struct MatchCase {
  const char* name;
  std::string expected;
  std::vector<std::string> reads;  // one entry per poll; "" is a poll that read nothing
  ReplyState state;                // after the last read
  std::string matched;
  std::size_t window = 40960;
};

// Feeds the reads one by one and stops at the first result, as a transaction does.
ReplyState FeedReads(ReplyMatcher& matcher, const std::vector<std::string>& reads) {
  ReplyState state = ReplyState::kWaiting;
  for (const std::string& read : reads) {
    state = matcher.Feed(read);
    if (state != ReplyState::kWaiting) break;
  }
  return state;
}

const MatchCase kCases[] = {
    {"OkAlone", "OK", {"\r\nOK\r\n"}, ReplyState::kMatched, "OK"},
    {"ExpectedThenOk", "SPSV", {"\r\nSPSV:3.1.0\r\nOK\r\n"}, ReplyState::kMatched, "SPSV:3.1.0\r\nOK"},
    {"EmptyExpectedMatchesFromTheFirstByte",
     "",
     {"\r\nSPSV:1\r\n", "PWD:1\r\n\r\nOK\r\n"},
     ReplyState::kMatched,
     "\r\nSPSV:1\r\nPWD:1\r\n\r\nOK"},
    {"EmptyExpectedNeverSeesError", "", {"\r\nERROR\r\n"}, ReplyState::kWaiting, ""},
    {"OkBeforeTheExpectedTextDoesNotCount", "SPSV", {"OK\r\nSPSV:3\r\n"}, ReplyState::kWaiting, ""},
    {"ErrorAfterTheExpectedTextIsIgnored",
     "SPSV",
     {"SPSV:3\r\nERROR\r\n", "OK\r\n"},
     ReplyState::kMatched,
     "SPSV:3\r\nERROR\r\nOK"},
    {"ErrorBeforeTheExpectedTextFails",
     "RUN AT",
     {"\r\nERROR\r\n", "RUN AT\r\nOK\r\n"},
     ReplyState::kError,
     ""},
    {"ErrorAndExpectedInOneReadMatch",
     "RUN AT",
     {"ERROR\r\nRUN AT\r\nOK"},
     ReplyState::kMatched,
     "RUN AT\r\nOK"},
    {"ExpectedSplitAcrossTwoReads",
     "RUN AT",
     {"                    \r\nRUN", " AT\r\nOK\r\n"},
     ReplyState::kMatched,
     "RUN AT\r\nOK"},
    {"ExpectedSplitAcrossManyReads",
     "SPSV",
     {"xxS", "P", "", "S", "V:2.0.1", "\r\nO", "K"},
     ReplyState::kMatched,
     "SPSV:2.0.1\r\nOK"},
    {"OkSplitAfterTheExpectedText",
     "SPSV",
     {"SPSV:3.0\r\nO", "K\r\n"},
     ReplyState::kMatched,
     "SPSV:3.0\r\nOK"},
    {"OkInsideAValueEndsTheMatchEarly", "SPSV", {"SPSV:BOOK\r\nOK"}, ReplyState::kMatched, "SPSV:BOOK"},
    {"OkMayOverlapTheExpectedText", "NO", {"NOK"}, ReplyState::kMatched, "NOK"},
    {"ExpectedTextOkMatchesItself", "OK", {"O", "K"}, ReplyState::kMatched, "OK"},
    {"FirstOccurrenceOfTheExpectedTextCounts",
     "SPSV",
     {"SPSV:1\r\nSPSV:2\r\nOK"},
     ReplyState::kMatched,
     "SPSV:1\r\nSPSV:2\r\nOK"},
    // A zero byte is a byte like any other: it hides nothing after it.
    {"ZeroByteDoesNotHideTheOk", "", {"\r\n\0OK\r\n"s}, ReplyState::kMatched, "\r\n\0OK"s},
    {"ZeroByteDoesNotHideTheExpectedText", "OK", {"\0OK"s}, ReplyState::kMatched, "OK"},
    {"ValueWithAZeroByteEndsAtTheOkAfterIt",
     "APN=",
     {"APN=CM\0IOT\r\n"s, "OK\r\n"},
     ReplyState::kMatched,
     "APN=CM\0IOT\r\nOK"s},
    {"ErrorSplitAcrossTwoReadsFails", "OK", {"\r\nERR", "OR\r\n"}, ReplyState::kError, ""},
    {"ErrorSplitIntoSingleBytesFails", "OK", {"E", "R", "R", "O", "R"}, ReplyState::kError, ""},
    {"ErrorInterruptedByAZeroIsNoError", "OK", {"ER\0R"s, "OR"}, ReplyState::kWaiting, ""},
    {"FullWindowTakesNothingMore", "", {"12345678", "\r\nOK"}, ReplyState::kWaiting, "", 8},
    {"UnrelatedBytesDoNotFillTheWindow",
     "OK",
     {"12345678", "abcdefgh", "\r\nOK"},
     ReplyState::kMatched,
     "OK",
     8},
};

class ReplyMatcherTable : public ::testing::TestWithParam<MatchCase> {};

TEST_P(ReplyMatcherTable, EndsAsTheRuleSays) {
  const MatchCase& c = GetParam();
  ReplyMatcher matcher(c.expected, c.window);
  EXPECT_EQ(FeedReads(matcher, c.reads), c.state);
  if (c.state == ReplyState::kMatched) {
    EXPECT_EQ(matcher.Matched(), c.matched);
  }
}

INSTANTIATE_TEST_SUITE_P(Replies, ReplyMatcherTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<MatchCase>& param) { return std::string(param.param.name); });

TEST(ReplyMatcher, ClearStartsAnEmptyWindow) {
  ReplyMatcher matcher("SPSV", 64);
  EXPECT_EQ(matcher.Feed("SPSV:3"), ReplyState::kWaiting);
  matcher.Clear();
  EXPECT_EQ(matcher.Window(), "");
  EXPECT_EQ(matcher.Room(), 64u);
  EXPECT_EQ(matcher.Feed("\r\nOK\r\n"), ReplyState::kWaiting);  // the SPSV went with the old window
}

TEST(ReplyMatcher, ExpectedTextCountsByItsLength) {
  ReplyMatcher matcher("SP\0SV"s, 64);
  EXPECT_EQ(matcher.Feed("SPOK"), ReplyState::kWaiting);
  matcher.Clear();
  EXPECT_EQ(matcher.Feed("SP\0SV:1 OK"s), ReplyState::kMatched);
  EXPECT_EQ(matcher.Matched(), "SP\0SV:1 OK"s);
}

TEST(ReplyMatcher, WindowKeepsOnlyTheTailWhileTheExpectedTextIsMissing) {
  ReplyMatcher matcher("RUN AT", 40960);
  matcher.Feed(std::string(5000, ' '));
  EXPECT_EQ(matcher.Window(), "      ");
  EXPECT_EQ(matcher.Room(), 40960u - 6u);
}

// The rule written the plain way: the whole window searched after every read,
// and the last four bytes cut from its front kept for an "ERROR" that spans
// the cut.
class PlainRule {
 public:
  PlainRule(std::string expected, std::size_t window) : expected_(std::move(expected)), size_(window) {}
  ReplyState Feed(const std::string& read) {
    window_ += read.substr(0, size_ - window_.size());
    const std::size_t at = window_.find(expected_);
    if (at != std::string::npos) {
      const std::size_t ok = window_.find("OK", at);
      if (ok == std::string::npos) return ReplyState::kWaiting;
      matched_ = window_.substr(at, ok + 2 - at);
      return ReplyState::kMatched;
    }
    if ((cut_ + window_).find("ERROR") != std::string::npos) return ReplyState::kError;
    if (window_.size() > expected_.size()) {
      cut_ += window_.substr(0, window_.size() - expected_.size());
      window_.erase(0, window_.size() - expected_.size());
      if (cut_.size() > 4) cut_.erase(0, cut_.size() - 4);  // what an "ERROR" across the cut can use
    }
    return ReplyState::kWaiting;
  }
  const std::string& Matched() const { return matched_; }

 private:
  std::string expected_;
  std::size_t size_;
  std::string window_;
  std::string cut_;
  std::string matched_;
};

TEST(ReplyMatcher, AgreesWithThePlainRuleOnRandomReplies) {
  const std::vector<std::string> pieces = {"OK", "ERROR", "ERR", "OR", "O", "K", "E", "SPSV", "SP", "SV", ":3.1",
                                           "\r\n", "x", "RUN AT", "RUN", " AT", std::string(1, '\0'), "  "};
  const std::vector<std::string> expectations = {"", "OK", "SPSV", "RUN AT", "SV", "ERROR"};
  const std::vector<std::size_t> windows = {8, 24, 1024};
  std::mt19937 random(20240607);
  for (int round = 0; round < 20000; ++round) {
    const std::string expected = expectations[random() % expectations.size()];
    const std::size_t window = windows[random() % windows.size()];
    std::string stream;
    const int piece_count = 1 + static_cast<int>(random() % 14);
    for (int i = 0; i < piece_count; ++i) stream += pieces[random() % pieces.size()];
    std::vector<std::string> reads;
    for (std::size_t at = 0; at < stream.size();) {
      const std::size_t length = std::min<std::size_t>(random() % 7, stream.size() - at);
      reads.push_back(stream.substr(at, length));
      at += length;
    }
    PlainRule plain(expected, window);
    ReplyMatcher matcher(expected, window);
    for (const std::string& read : reads) {
      const ReplyState want = plain.Feed(read);
      const ReplyState got = matcher.Feed(read);
      ASSERT_EQ(got, want) << "round " << round << " expected [" << expected << "] window " << window << " reads " << ::testing::PrintToString(reads);
      if (want == ReplyState::kMatched) {
        ASSERT_EQ(matcher.Matched(), plain.Matched()) << "round " << round;
      }
      if (want != ReplyState::kWaiting) break;
    }
  }
}

}  // namespace
}  // namespace zt
