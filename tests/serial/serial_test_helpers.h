// What the serial suites share: recorders for the operator interfaces and a
// port opened on a scripted peer.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "serial/at_transaction.h"
#include "serial/serial_port.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "support/pty_peer.h"

namespace zt::test {

class RecordingReports : public ITransactionReports {
 public:
  void Log(std::string_view gbk_line) override {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(gbk_line);
  }
  void Done(int value) override {
    std::lock_guard lock(mutex_);
    done_.push_back(value);
  }
  std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  std::vector<int> DoneValues() const {
    std::lock_guard lock(mutex_);
    return done_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  std::vector<int> done_;
};

// A port whose settings name the peer's device.
class PortOnPeerTest : public ::testing::Test {
 protected:
  PortOnPeerTest() {
    settings_.Update([&](ToolSettings& s) { s.port_name = dtu_.Path(); });
  }

  PtyPeer dtu_;
  ToolSettingsStore settings_;
  ProcessFlags flags_;
  CSerialPort port_{settings_, flags_};
};

}  // namespace zt::test
