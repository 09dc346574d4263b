// A simulated DTU without a line, for the interpreter tests: a small profile,
// its state and the interpreter, driven on a test-controlled clock.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dtusim/device_state.h"
#include "dtusim/interpreter.h"
#include "dtusim/profile.h"

namespace zt::dtusim::test {

// An S3 unit: base lines, one channel in SIN, two in BAK, factory values that
// differ, a HEXSTR reported with "0x" and one without.
inline constexpr std::string_view kS3Profile =
    "# an S3 unit for the tests\r\n"
    "[device]\r\n"
    "generation=S3\r\n"
    "version=3.1.2\r\n"
    "password=pilot\r\n"
    "product_number=P0001\r\n"
    "imei=860000000000001\r\n"
    "mode=SIN\r\n"
    "manufacturer=ZEREL\r\n"
    "product_name=ZR-3100\r\n"
    "revision=R3\r\n"
    "ready=UNIT READY\r\n"
    "csq=23\r\n"
    "hex_prefix=HBDATA\r\n"
    "[base]\r\n"
    "SPSV=\r\n"
    "IMEINUMBER=\r\n"
    "APN=CMIOT\r\n"
    "HBDATA=FE01\r\n"
    "MBCMD=0103\r\n"
    "APNUSER=\r\n"
    "OPPRM=SIN\r\n"
    "[channel SIN 1]\r\n"
    "SVRADDR=10.0.0.10\r\n"
    "SVRPORT=7001\r\n"
    "[channel BAK 1]\r\n"
    "SVRADDR=10.0.1.1\r\n"
    "SVRPORT=5001\r\n"
    "[channel BAK 2]\r\n"
    "SVRADDR=10.0.1.2\r\n"
    "SVRPORT=5002\r\n"
    "[factory base]\r\n"
    "APN=CMNET\r\n"
    "[factory channel SIN 1]\r\n"
    "SVRADDR=192.168.1.100\r\n";

// An S2 unit: no channel mode, no channel blocks.
inline constexpr std::string_view kS2Profile =
    "[device]\r\n"
    "generation=S2\r\n"
    "version=2.1.5\r\n"
    "password=pilot\r\n"
    "product_number=P0002\r\n"
    "imei=860000000000002\r\n"
    "manufacturer=ZEREL\r\n"
    "product_name=ZR-3100\r\n"
    "revision=R2\r\n"
    "ready=UNIT READY\r\n"
    "[base]\r\n"
    "SPSV=\r\n"
    "APN=CMIOT\r\n"
    "OPPRM=SIN\r\n"
    "SVRADDR=10.0.0.10\r\n"
    "[factory base]\r\n"
    "APN=CMNET\r\n";

inline DeviceProfile ProfileFrom(std::string_view text) {
  DeviceProfile p;
  std::string error;
  EXPECT_TRUE(ParseDeviceProfile(text, &p, &error)) << error;
  return p;
}

class SimUnit {
 public:
  explicit SimUnit(std::string_view profile = kS3Profile, Faults faults = {}, Millis boot_delay = Millis(300),
                   std::string state_path = {})
      : state_(ProfileFrom(profile), std::move(state_path)),
        interpreter_(state_, std::move(faults), boot_delay) {}

  // Bytes arriving now; returns what the unit sends for them at once.
  std::vector<Emission> Receive(std::string_view bytes) { return interpreter_.Receive(bytes, now_); }
  // Bytes arriving now, then a quiet line until the unit has answered;
  // returns every byte it sends for them (whenever it sends them).
  std::string Say(std::string_view bytes) {
    std::vector<Emission> all = interpreter_.Receive(bytes, now_);
    while (auto due = interpreter_.NextDeadline()) {
      now_ = *due;
      std::vector<Emission> more = interpreter_.Advance(now_);
      all.insert(all.end(), more.begin(), more.end());
    }
    last_ = all;
    // The next input comes after whatever was scheduled.
    for (const Emission& e : all) now_ = std::max(now_, e.at);
    now_ += Millis(1000);
    return Join(all);
  }
  // Wakes the unit and logs in; true when both were acknowledged.
  bool WakeAndLogin() {
    return Say(std::string(20, ' ')) == "RUN AT\r\nOK\r\n" &&
           Say("AT+LOGIN=pilot\r") == "AT+LOGIN=pilot\rOK\r\n";
  }
  static std::string Join(const std::vector<Emission>& emissions) {
    std::string all;
    for (const Emission& e : emissions) all += e.bytes;
    return all;
  }

  Interpreter& interpreter() { return interpreter_; }
  DeviceState& state() { return state_; }
  // The emissions of the last Say, with their times.
  const std::vector<Emission>& last() const { return last_; }
  Millis& now() { return now_; }

 private:
  DeviceState state_;
  Interpreter interpreter_;
  std::vector<Emission> last_;
  Millis now_{1000};
};

}  // namespace zt::dtusim::test
