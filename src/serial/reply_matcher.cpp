#include "serial/reply_matcher.h"

#include <algorithm>
#include <cstring>

namespace zt {
namespace {

constexpr std::string_view kOk = "OK";
constexpr std::string_view kError = "ERROR";

}  // namespace

ReplyMatcher::ReplyMatcher(std::string_view expected, std::size_t window_bytes)
    : expected_(expected), window_(window_bytes) {}

void ReplyMatcher::Clear() {
  size_ = 0;
  found_ = false;
  found_at_ = ok_from_ = match_end_ = 0;
  error_carry_.clear();
}

ReplyState ReplyMatcher::Feed(std::string_view bytes) {
  const std::size_t count = std::min(bytes.size(), Room());
  if (count > 0) std::memcpy(FreeSpace(), bytes.data(), count);
  return Commit(count);
}

ReplyState ReplyMatcher::Commit(std::size_t count) {
  size_ += std::min(count, Room());
  return found_ ? LookForOk() : LookForExpected();
}

ReplyState ReplyMatcher::LookForExpected() {
  // Before the expected text shows up the window is never longer than the
  // expected text plus the last read, so searching all of it is cheap.
  const std::string_view window = Window();
  const std::size_t at = window.find(expected_);
  if (at != std::string_view::npos) {
    found_ = true;
    found_at_ = ok_from_ = at;
    return LookForOk();
  }
  if (window.find(kError) != std::string_view::npos) return ReplyState::kError;
  if (!error_carry_.empty()) {
    const std::string seam = error_carry_ + std::string(window.substr(0, kError.size() - 1));
    if (seam.find(kError) != std::string::npos) return ReplyState::kError;
  }
  KeepTail();
  return ReplyState::kWaiting;
}

ReplyState ReplyMatcher::LookForOk() {
  const std::size_t ok = Window().find(kOk, ok_from_);
  if (ok != std::string_view::npos) {
    match_end_ = ok + kOk.size();
    return ReplyState::kMatched;
  }
  // An "O" at the very end may be completed by the next read.
  ok_from_ = std::max(ok_from_, size_ > 0 ? size_ - 1 : 0);
  return ReplyState::kWaiting;
}

void ReplyMatcher::KeepTail() {
  const std::size_t keep = expected_.size();
  if (size_ <= keep) return;
  const std::size_t dropped = size_ - keep;
  // What "ERROR" may still need from the dropped bytes: the last four.
  const std::size_t tail = std::min(dropped, kError.size() - 1);
  std::string carry = error_carry_;
  carry.append(window_.data() + dropped - tail, tail);
  if (carry.size() > kError.size() - 1) carry.erase(0, carry.size() - (kError.size() - 1));
  error_carry_ = std::move(carry);
  std::memmove(window_.data(), window_.data() + dropped, keep);
  size_ = keep;
}

std::string_view ReplyMatcher::Matched() const {
  if (!found_ || match_end_ <= found_at_) return {};
  return {window_.data() + found_at_, match_end_ - found_at_};
}

}  // namespace zt
