// A port opened on a scripted pseudo-terminal peer, for the terminal's
// threads.
#pragma once

#include <gtest/gtest.h>

#include <string_view>

#include "serial/serial_port.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "support/pty_peer.h"

namespace zt::test {


class TerminalPortTest : public ::testing::Test {
 protected:
  TerminalPortTest() {
    settings_.Update([&](ToolSettings& s) { s.port_name = peer_.Path(); });
  }

  PtyPeer peer_;
  ToolSettingsStore settings_;
  ProcessFlags flags_;
  CSerialPort port_{settings_, flags_};
};

}  // namespace zt::test
