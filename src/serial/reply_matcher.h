// The reply window of one AT transaction and the rule that decides when the
// DTU has answered. The tool never parses line structure while it waits: it
// looks for substrings in what has arrived.
//
//  1. The expected text counts at its first occurrence in the window. An empty
//     expected text is found at once, at the start of the window.
//  2. Once it is found, the first "OK" at or after its first byte ends the
//     wait with success; the matched text runs from the expected text's first
//     byte to the end of that "OK". "OK" is a plain substring: a value that
//     holds the letters O and K in a row ends the match early.
//  3. While the expected text is not found, "ERROR" anywhere ends the wait
//     with an error. Once it is found, "ERROR" is ignored.
//  4. Every byte received counts, a zero byte too: the window is searched by
//     its length, so a value holding a zero byte does not hide the "OK" that
//     follows it.
//  5. While the expected text is not found, the window keeps only its last
//     bytes, as many as the expected text is long, so an expected text split
//     across two reads is still found and a long unrelated reply never fills
//     the window. The bytes just before the kept tail still count for
//     "ERROR", so an "ERROR" split across two reads is seen however the reads
//     fall.
//
// Once the expected text is found the window only grows, and the search for
// "OK" resumes where the last one stopped: the work per transaction grows
// with the bytes received, not with bytes times reads. When the window is
// full, nothing more can be read and the wait runs to its time limit.
//
// Thread safety: an object belongs to one transaction on one thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

enum class ReplyState { kWaiting, kMatched, kError };

class ReplyMatcher {
 public:
  // `expected` counts by its length, as the window does.
  ReplyMatcher(std::string_view expected, std::size_t window_bytes);

  // Empties the window for a new attempt.
  void Clear();

  // Where the next read goes, and how many bytes it may put there.
  char* FreeSpace() { return window_.data() + size_; }
  std::size_t Room() const { return window_.size() - size_; }

  // A read put `count` bytes (at most Room()) at FreeSpace(); applies the
  // rule. Call it after every poll, with 0 when nothing was read.
  ReplyState Commit(std::size_t count);

  // Copies what fits of `bytes` into the window and commits it.
  ReplyState Feed(std::string_view bytes);

  // After kMatched: the expected text through the end of "OK".
  std::string_view Matched() const;

  // The bytes the window holds.
  std::string_view Window() const { return {window_.data(), size_}; }

 private:
  ReplyState LookForExpected();
  ReplyState LookForOk();
  void KeepTail();

  std::string expected_;
  std::vector<char> window_;
  std::size_t size_ = 0;
  bool found_ = false;
  std::size_t found_at_ = 0;     // first byte of the expected text
  std::size_t ok_from_ = 0;      // where the next search for "OK" starts
  std::size_t match_end_ = 0;    // one past the "OK" of the match
  std::string error_carry_;      // up to four bytes that came just before the window's first byte
};

}  // namespace zt
