// The AT terminal's receive thread: it takes whatever the port has queued,
// at most 1024 bytes a read, and keeps it for the window, which collects it
// on its own thread (a short timer) so that a fast line never floods the
// window with one update per read.
//
// Each read ends at its first zero byte: what follows it in that read is not
// kept. The bytes kept are GBK as they came from the line.
//
// Threads: Start, Stop and the destructor on the owner's thread (the UI);
// TakeReceived, ReceivedTotal and IsRunning from any thread. Stop returns
// within about one poll step (20 ms) plus the read in progress.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace zt {

class CSerialPort;

class TerminalReceiver {
 public:
  static constexpr int kPollStepMs = 20;
  static constexpr std::size_t kReadCapacity = 1024;

  explicit TerminalReceiver(CSerialPort& port);
  ~TerminalReceiver();  // stops and joins
  TerminalReceiver(const TerminalReceiver&) = delete;
  TerminalReceiver& operator=(const TerminalReceiver&) = delete;

  // Starts the thread (once; later calls do nothing while it runs).
  void Start();
  // Ends the thread and joins it. What was read stays for TakeReceived.
  void Stop();
  bool IsRunning() const { return running_.load(); }

  // The bytes kept since the last call, in order.
  std::string TakeReceived();
  // Every byte read from the port since the start (zero bytes and what
  // followed them included).
  std::uint64_t ReadTotal() const { return read_total_.load(); }

 private:
  void Run();

  CSerialPort& port_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::atomic<std::uint64_t> read_total_{0};

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::string pending_;
};

}  // namespace zt
