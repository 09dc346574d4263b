#include "dtusim/server.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace zt::dtusim {

Server::Server(SerialLine& line, Interpreter& interpreter, WireLog& log, ServeOptions options, int stop_fd)
    : line_(line),
      interpreter_(interpreter),
      log_(log),
      options_(options),
      stop_fd_(stop_fd),
      shaper_(options.seed),
      start_(std::chrono::steady_clock::now()) {}

Millis Server::Now() const {
  return std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - start_);
}

void Server::Enqueue(const std::vector<Emission>& emissions) {
  for (const Emission& e : emissions) {
    if (e.reenumerate) {
      queue_.push_back(e);
      queue_.back().at = std::max(e.at, last_queued_at_);
      last_queued_at_ = queue_.back().at;
      continue;
    }
    std::vector<Emission> pieces = options_.chunked ? shaper_.Shape(e) : std::vector<Emission>{e};
    for (Emission& p : pieces) {
      // What the unit sends leaves in the order it was produced.
      p.at = std::max(p.at, last_queued_at_);
      last_queued_at_ = p.at;
      queue_.push_back(std::move(p));
    }
  }
}

bool Server::SendDue(Millis now) {
  while (!queue_.empty() && queue_.front().at <= now) {
    if (queue_.front().reenumerate) {
      queue_.pop_front();
      // The answer before it reaches the client first.
      line_.WaitUntilRead(1000);
      if (!options_.reenumerate || !options_.reenumerate()) {
        end_ = ServeEnd::kLineError;
        return false;
      }
      continue;
    }
    std::string& bytes = queue_.front().bytes;
    size_t n = bytes.size();
    if (options_.hangup_after) n = std::min<std::uint64_t>(n, *options_.hangup_after - bytes_sent_);
    ssize_t written = n == 0 ? 0 : ::write(line_.fd(), bytes.data(), n);
    if (written < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return true;  // the far end reads slowly
      end_ = ServeEnd::kLineError;
      return false;
    }
    log_.Sent(std::string_view(bytes).substr(0, static_cast<size_t>(written)));
    bytes_sent_ += static_cast<std::uint64_t>(written);
    bytes.erase(0, static_cast<size_t>(written));
    if (options_.hangup_after && bytes_sent_ >= *options_.hangup_after) {
      log_.Note("line dropped after " + std::to_string(bytes_sent_) + " bytes sent");
      line_.WaitUntilRead(1000);
      line_.Close();
      end_ = ServeEnd::kHungUp;
      return false;
    }
    if (bytes.empty()) queue_.pop_front();
  }
  return true;
}

ServeEnd Server::Run() {
  char buf[4096];
  for (;;) {
    Millis now = Now();
    Enqueue(interpreter_.Advance(now));
    if (!SendDue(now)) return end_;

    std::optional<Millis> wake = interpreter_.NextDeadline();
    bool want_write = false;
    if (!queue_.empty()) {
      if (queue_.front().at <= now) {
        want_write = true;
      } else {
        wake = wake ? std::min(*wake, queue_.front().at) : queue_.front().at;
      }
    }
    int timeout = -1;
    if (wake) timeout = static_cast<int>(std::clamp<Millis::rep>((*wake - now).count(), 0, 60000));

    pollfd fds[3] = {};
    fds[0] = {line_.fd(), static_cast<short>(POLLIN | (want_write ? POLLOUT : 0)), 0};
    fds[1] = {stop_fd_, POLLIN, 0};
    fds[2] = {options_.stdin_lifeline ? STDIN_FILENO : -1, POLLIN, 0};
    if (::poll(fds, 3, timeout) < 0) {
      if (errno == EINTR) continue;
      return ServeEnd::kLineError;
    }
    if (fds[1].revents != 0) return ServeEnd::kStopped;
    if (fds[2].revents != 0) {
      // The lifeline: whoever started us closed our standard input (or died).
      ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
      if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) return ServeEnd::kLifeline;
    }
    if (fds[0].revents & POLLIN) {
      ssize_t n = ::read(line_.fd(), buf, sizeof buf);
      if (n > 0) {
        const std::string_view bytes(buf, static_cast<size_t>(n));
        log_.Received(bytes);
        Enqueue(interpreter_.Receive(bytes, Now()));
      } else if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
        return ServeEnd::kLineError;
      }
    } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      return ServeEnd::kLineError;
    }
  }
}

}  // namespace zt::dtusim
