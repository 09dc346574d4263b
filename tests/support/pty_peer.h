// A scripted serial peer for tests: the far end of a pseudo-terminal pair.
//
// The port under test opens Path() (the slave side, in raw mode); the peer
// sits on the master side. A reader thread records every byte the port
// sends, so a test can assert the exact bytes on the wire, and answers by
// rules ("when the received bytes contain X, write Y"); a writer thread
// writes the answers and direct writes in order of their due times.
//
//     PtyPeer dtu;
//     dtu.AddRule({.when = "AT+GETPARAM=SPSV\r\n", .reply = {"\r\nSPSV:3.1\r\nOK\r\n"}});
//     settings.Update([&](ToolSettings& s) { s.port_name = dtu.Path(); });
//     ... run the code under test ...
//     EXPECT_EQ(dtu.Received(), "AT+GETPARAM=SPSV\r\n");
//
// Thread safety: every member may be called from any thread. The peer keeps
// a descriptor of the slave open for its whole life, so the pair never hangs
// up while the port closes and re-opens.
#pragma once

#include <termios.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zt::test {

class PtyPeer {
 public:
  using Clock = std::chrono::steady_clock;
  using Millis = std::chrono::milliseconds;

  struct Rule {
    std::string when;                // fires when the received bytes contain this (not empty)
    std::vector<std::string> reply;  // pieces written in order, each one write
    Millis delay{0};                 // from the trigger to the first piece
    Millis gap{0};                   // between pieces
    int skip = 0;                    // occurrences to let pass unanswered first
    int times = 1;                   // occurrences to answer after those; 0 answers every one
  };

  PtyPeer();  // throws std::runtime_error when no pseudo-terminal can be had
  ~PtyPeer();
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;

  // The slave device path: the port name to open.
  const std::string& Path() const { return path_; }

  // A rule sees the bytes received after it was added. Occurrences do not
  // overlap: after one, the search goes on behind it. Rules fire in the order
  // they were added.
  void AddRule(Rule rule);

  // Writes `bytes` to the port after `delay` (the call returns at once).
  void Write(std::string_view bytes, Millis delay = Millis{0});
  // Waits until every write due so far has been written.
  bool WaitWritten(Millis timeout = Millis{5000});

  // What the port has sent, since the start or the last ClearReceived.
  std::string Received() const;
  void ClearReceived();
  std::size_t CountReceived(std::string_view text) const;
  // Waits until `text` has been received `count` times.
  bool WaitForReceived(std::string_view text, std::size_t count = 1, Millis timeout = Millis{5000}) const;

  // Bytes written by the peer that the port has not read yet.
  std::size_t QueuedAtPort() const;
  bool WaitQueuedAtPort(std::size_t bytes, Millis timeout = Millis{5000}) const;

  // The line settings the port gave the device.
  termios LineState() const;

  // When the peer started its latest write to the port.
  Clock::time_point LastWriteStart() const;

 private:
  struct Pending {
    Clock::time_point due;
    std::uint64_t order;
    std::string bytes;
  };
  struct ActiveRule {
    Rule rule;
    std::size_t scan_from;
    int seen = 0;
    int answered = 0;
  };

  void ReadLoop();
  void WriteLoop();
  void Enqueue(std::string bytes, Clock::time_point due);  // mutex_ held
  void ApplyRules();                                       // mutex_ held
  bool WriteAll(std::string_view bytes);
  std::size_t CountLocked(std::string_view text) const;

  int master_ = -1;
  int slave_ = -1;
  int stop_event_ = -1;
  std::string path_;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stopping_ = false;
  std::string received_;
  std::size_t cleared_at_ = 0;
  std::vector<ActiveRule> rules_;
  std::deque<Pending> pending_;  // sorted by (due, order)
  std::uint64_t next_order_ = 0;
  bool writing_ = false;
  Clock::time_point last_write_start_{};

  std::thread reader_;
  std::thread writer_;
};

}  // namespace zt::test
