// dtusim's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dtusim/faults.h"

namespace zt::dtusim {

struct Options {
  std::string profile_path;  // empty: dtusim_s3.profile beside the program or in the share folder
  std::string tty_path;      // empty: a new pseudo-terminal pair
  std::string link_path;
  std::string state_path;
  std::string wire_log_path;
  bool stdin_lifeline = false;
  Millis boot_delay{300};
  std::optional<std::string> ready;
  bool no_ready = false;
  bool ready_zero = false;  // a zero byte leads the ready line
  std::optional<std::string> password;
  std::optional<int> csq;
  bool chunked = false;
  std::optional<std::uint32_t> seed;
  std::optional<std::uint64_t> hangup_after;
  Faults faults;
  bool help = false;
  bool version = false;
};

// Reads argv; false with a message on an unknown option or a bad value.
bool ParseOptions(int argc, char** argv, Options* out, std::string* error);

// The text of --help.
const char* HelpText();

}  // namespace zt::dtusim
