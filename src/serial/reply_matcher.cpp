#include "serial/reply_matcher.h"

#include <algorithm>
#include <cstring>

namespace zt {
namespace {

constexpr std::string_view kOk = "OK";
constexpr std::string_view kError = "ERROR";

// Bytes before the first zero.
std::string_view Visible(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

}  // namespace

ReplyMatcher::ReplyMatcher(std::string_view expected, std::size_t window_bytes)
    : expected_(Visible(expected)), window_(window_bytes) {}

void ReplyMatcher::Clear() {
  size_ = 0;
  found_ = false;
  found_at_ = ok_from_ = zero_at_ = match_end_ = 0;
  error_carry_.clear();
}

ReplyState ReplyMatcher::Feed(std::string_view bytes) {
  const std::size_t count = std::min(bytes.size(), Room());
  if (count > 0) std::memcpy(FreeSpace(), bytes.data(), count);
  return Commit(count);
}

ReplyState ReplyMatcher::Commit(std::size_t count) {
  const std::size_t first_new = size_;
  size_ += std::min(count, Room());
  return found_ ? LookForOk(first_new) : LookForExpected();
}

ReplyState ReplyMatcher::LookForExpected() {
  // Before the expected text shows up the window is never longer than the
  // expected text plus the last read, so searching all of it is cheap.
  const std::string_view visible = Visible(Window());
  const std::size_t at = visible.find(expected_);
  if (at != std::string_view::npos) {
    found_ = true;
    found_at_ = ok_from_ = at;
    zero_at_ = visible.size();
    return LookForOk(size_);
  }
  if (visible.find(kError) != std::string_view::npos) return ReplyState::kError;
  if (!error_carry_.empty()) {
    const std::string seam = error_carry_ + std::string(visible.substr(0, kError.size() - 1));
    if (seam.find(kError) != std::string::npos) return ReplyState::kError;
  }
  KeepTail();
  return ReplyState::kWaiting;
}

ReplyState ReplyMatcher::LookForOk(std::size_t first_new) {
  if (zero_at_ == first_new) {
    // No zero byte so far; look for one among the new bytes only.
    const void* zero = std::memchr(window_.data() + first_new, 0, size_ - first_new);
    zero_at_ = zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - window_.data()) : size_;
  }
  const std::string_view visible(window_.data(), zero_at_);
  const std::size_t ok = visible.find(kOk, ok_from_);
  if (ok != std::string_view::npos) {
    match_end_ = ok + kOk.size();
    return ReplyState::kMatched;
  }
  // An "O" at the very end may be completed by the next read.
  ok_from_ = std::max(ok_from_, zero_at_ > 0 ? zero_at_ - 1 : 0);
  return ReplyState::kWaiting;
}

void ReplyMatcher::KeepTail() {
  const std::size_t keep = expected_.size();
  if (size_ <= keep) return;
  const std::size_t dropped = size_ - keep;
  // What "ERROR" may still need from the dropped bytes: the last four, and
  // none from before a zero byte.
  const std::size_t tail = std::min(dropped, kError.size() - 1);
  std::string carry = error_carry_;
  carry.append(window_.data() + dropped - tail, tail);
  const std::size_t zero = carry.rfind('\0');
  if (zero != std::string::npos) carry.erase(0, zero + 1);
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
