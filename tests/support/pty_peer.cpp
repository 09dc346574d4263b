#include "support/pty_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace zt::test {

PtyPeer::PtyPeer() {
  if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) {
    throw std::runtime_error("openpty failed");
  }
  char name[256] = {};
  if (::ptsname_r(master_, name, sizeof name) != 0) {
    ::close(master_);
    ::close(slave_);
    throw std::runtime_error("ptsname_r failed");
  }
  path_ = name;
  // Raw from the start: no echo of what the peer writes, no CR/LF mapping.
  termios t{};
  ::tcgetattr(slave_, &t);
  ::cfmakeraw(&t);
  ::tcsetattr(slave_, TCSANOW, &t);
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
  stop_event_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  reader_ = std::thread([this] { ReadLoop(); });
  writer_ = std::thread([this] { WriteLoop(); });
}

PtyPeer::~PtyPeer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto n = ::write(stop_event_, &one, sizeof one);
  reader_.join();
  writer_.join();
  ::close(stop_event_);
  ::close(master_);
  ::close(slave_);
}

void PtyPeer::AddRule(Rule rule) {
  if (rule.when.empty()) return;
  std::lock_guard lock(mutex_);
  rules_.push_back({std::move(rule), received_.size()});
}

void PtyPeer::Write(std::string_view bytes, Millis delay) {
  {
    std::lock_guard lock(mutex_);
    Enqueue(std::string(bytes), Clock::now() + delay);
  }
  changed_.notify_all();
}

bool PtyPeer::WaitWritten(Millis timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return pending_.empty() && !writing_; });
}

std::string PtyPeer::Received() const {
  std::lock_guard lock(mutex_);
  return received_.substr(cleared_at_);
}

void PtyPeer::ClearReceived() {
  std::lock_guard lock(mutex_);
  cleared_at_ = received_.size();
}

std::size_t PtyPeer::CountLocked(std::string_view text) const {
  if (text.empty()) return 0;
  std::size_t count = 0;
  const std::string_view seen = std::string_view(received_).substr(cleared_at_);
  for (std::size_t at = seen.find(text); at != std::string_view::npos; at = seen.find(text, at + text.size())) {
    ++count;
  }
  return count;
}

std::size_t PtyPeer::CountReceived(std::string_view text) const {
  std::lock_guard lock(mutex_);
  return CountLocked(text);
}

bool PtyPeer::WaitForReceived(std::string_view text, std::size_t count, Millis timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return CountLocked(text) >= count; });
}

std::size_t PtyPeer::QueuedAtPort() const {
  int queued = 0;
  if (::ioctl(slave_, FIONREAD, &queued) != 0 || queued < 0) return 0;
  return static_cast<std::size_t>(queued);
}

bool PtyPeer::WaitQueuedAtPort(std::size_t bytes, Millis timeout) const {
  // The kernel hands written bytes to the slave side a moment later; there is
  // no event for that, so look every millisecond.
  const auto end = Clock::now() + timeout;
  while (QueuedAtPort() != bytes) {
    if (Clock::now() >= end) return false;
    std::this_thread::sleep_for(Millis{1});
  }
  return true;
}

termios PtyPeer::LineState() const {
  termios t{};
  ::tcgetattr(slave_, &t);
  return t;
}

PtyPeer::Clock::time_point PtyPeer::LastWriteStart() const {
  std::lock_guard lock(mutex_);
  return last_write_start_;
}

void PtyPeer::Enqueue(std::string bytes, Clock::time_point due) {
  Pending item{due, next_order_++, std::move(bytes)};
  const auto at = std::upper_bound(pending_.begin(), pending_.end(), item, [](const Pending& a, const Pending& b) {
    return a.due != b.due ? a.due < b.due : a.order < b.order;
  });
  pending_.insert(at, std::move(item));
}

void PtyPeer::ApplyRules() {
  const auto now = Clock::now();
  for (ActiveRule& active : rules_) {
    const std::string& when = active.rule.when;
    for (;;) {
      const std::size_t at = received_.find(when, active.scan_from);
      if (at == std::string::npos) break;
      active.scan_from = at + when.size();
      ++active.seen;
      if (active.seen <= active.rule.skip) continue;
      if (active.rule.times != 0 && active.answered >= active.rule.times) continue;
      ++active.answered;
      auto due = now + active.rule.delay;
      for (const std::string& piece : active.rule.reply) {
        Enqueue(piece, due);
        due += active.rule.gap;
      }
    }
  }
}

void PtyPeer::ReadLoop() {
  char buffer[4096];
  for (;;) {
    pollfd fds[2] = {{master_, POLLIN, 0}, {stop_event_, POLLIN, 0}};
    const int ready = ::poll(fds, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || (fds[1].revents & POLLIN) != 0) return;
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n > 0) {
      {
        std::lock_guard lock(mutex_);
        received_.append(buffer, static_cast<std::size_t>(n));
        ApplyRules();
      }
      changed_.notify_all();
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      continue;
    } else {
      // A hang-up: wait for the stop rather than spin.
      pollfd stop{stop_event_, POLLIN, 0};
      if (::poll(&stop, 1, 10) > 0) return;
    }
  }
}

bool PtyPeer::WriteAll(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(master_, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return false;
    pollfd fds[2] = {{master_, POLLOUT, 0}, {stop_event_, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0 && errno != EINTR) return false;
    if ((fds[1].revents & POLLIN) != 0) return false;
  }
  return true;
}

void PtyPeer::WriteLoop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (stopping_) return;
    if (pending_.empty()) {
      changed_.wait(lock);
      continue;
    }
    if (Clock::now() < pending_.front().due) {
      changed_.wait_until(lock, pending_.front().due);
      continue;
    }
    std::string bytes = std::move(pending_.front().bytes);
    pending_.pop_front();
    writing_ = true;
    last_write_start_ = Clock::now();
    lock.unlock();
    const bool written = WriteAll(bytes);
    lock.lock();
    writing_ = false;
    changed_.notify_all();
    if (!written) return;
  }
}

}  // namespace zt::test
