#include "serial/telnet_com_port.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace zt::serial_detail {
namespace {

// A subnegotiation longer than this is no COM-port answer: the rest of it is
// skipped rather than kept.
constexpr std::size_t kMaxSubnegotiation = 64;

bool WeOffer(unsigned char option) {
  return option == TelnetComPort::kBinary || option == TelnetComPort::kSuppressGoAhead ||
         option == TelnetComPort::kComPort;
}

bool WeAccept(unsigned char option) {
  return option == TelnetComPort::kBinary || option == TelnetComPort::kSuppressGoAhead;
}

void AppendEscaped(std::string& out, unsigned char byte) {
  out.push_back(static_cast<char>(byte));
  if (byte == TelnetComPort::kIac) out.push_back(static_cast<char>(byte));
}

std::string ComPortSubnegotiation(unsigned char command, std::string_view value) {
  std::string out = {static_cast<char>(TelnetComPort::kIac), static_cast<char>(TelnetComPort::kSb),
                     static_cast<char>(TelnetComPort::kComPort), static_cast<char>(command)};
  for (const char c : value) AppendEscaped(out, static_cast<unsigned char>(c));
  out.push_back(static_cast<char>(TelnetComPort::kIac));
  out.push_back(static_cast<char>(TelnetComPort::kSe));
  return out;
}

}  // namespace

TelnetComPort::TelnetComPort() = default;

std::string TelnetComPort::Greeting() {
  // Asked for here and taken as in force: the server's agreeing answer then
  // needs no reply, and a refusal is answered as any change of state is.
  us_[kComPort] = us_[kBinary] = us_[kSuppressGoAhead] = true;
  him_[kBinary] = him_[kSuppressGoAhead] = true;
  std::string out;
  for (const auto& [verb, option] :
       {std::pair{kWill, kComPort}, std::pair{kWill, kBinary}, std::pair{kDo, kBinary},
        std::pair{kWill, kSuppressGoAhead}, std::pair{kDo, kSuppressGoAhead}}) {
    out += {static_cast<char>(kIac), static_cast<char>(verb), static_cast<char>(option)};
  }
  return out;
}

void TelnetComPort::Feed(std::string_view received) {
  for (const char c : received) {
    const auto byte = static_cast<unsigned char>(c);
    switch (parse_) {
      case Parse::kData:
        if (byte == kIac) {
          parse_ = Parse::kIac;
        } else {
          data_.push_back(c);
        }
        break;
      case Parse::kIac:
        if (byte == kIac) {
          data_.push_back(c);
          parse_ = Parse::kData;
        } else if (byte >= kWill && byte <= kDont) {
          verb_ = byte;
          parse_ = Parse::kOption;
        } else if (byte == kSb) {
          sub_.clear();
          parse_ = Parse::kSub;
        } else {
          parse_ = Parse::kData;  // NOP, GA, a stray SE and the other one-byte commands carry nothing
        }
        break;
      case Parse::kOption:
        Negotiate(verb_, byte);
        parse_ = Parse::kData;
        break;
      case Parse::kSub:
        if (byte == kIac) {
          parse_ = Parse::kSubIac;
        } else if (sub_.size() < kMaxSubnegotiation) {
          sub_.push_back(c);
        }
        break;
      case Parse::kSubIac:
        if (byte == kSe) {
          Subnegotiation();
          parse_ = Parse::kData;
        } else {
          // IAC IAC is a 0xFF value; anything else after IAC is not allowed
          // inside a subnegotiation and is kept as a value too.
          if (sub_.size() < kMaxSubnegotiation) sub_.push_back(c);
          parse_ = Parse::kSub;
        }
        break;
    }
  }
}

void TelnetComPort::Negotiate(unsigned char verb, unsigned char option) {
  switch (verb) {
    case kDo:
      if (!WeOffer(option)) {
        Reply(kWont, option);
      } else if (!us_[option]) {
        us_[option] = true;
        Reply(kWill, option);
      }
      break;
    case kDont:
      if (option == kComPort) com_port_refused_ = true;
      if (us_[option]) {
        us_[option] = false;
        Reply(kWont, option);
      }
      break;
    case kWill:
      if (!WeAccept(option)) {
        Reply(kDont, option);
      } else if (!him_[option]) {
        him_[option] = true;
        Reply(kDo, option);
      }
      break;
    case kWont:
      if (him_[option]) {
        him_[option] = false;
        Reply(kDont, option);
      }
      break;
    default:
      break;
  }
}

void TelnetComPort::Subnegotiation() {
  if (sub_.size() < 2 || static_cast<unsigned char>(sub_[0]) != kComPort) return;
  const auto command = static_cast<unsigned char>(sub_[1]);
  if (command == kServerOffset + kSetBaudRate && sub_.size() == 6) {
    std::uint32_t baud = 0;
    for (std::size_t i = 2; i < 6; ++i) baud = (baud << 8) | static_cast<unsigned char>(sub_[i]);
    reported_baud_ = baud;
    ++baud_replies_;
  }
  // The other answers (data size, parity, stop size, control, purge) and the
  // server's line and modem state notices change nothing here.
}

void TelnetComPort::Reply(unsigned char verb, unsigned char option) {
  replies_ += {static_cast<char>(kIac), static_cast<char>(verb), static_cast<char>(option)};
}

std::size_t TelnetComPort::TakeData(char* buffer, std::size_t capacity) {
  const std::size_t n = std::min(capacity, DataQueued());
  if (n > 0) std::memcpy(buffer, data_.data() + data_read_, n);
  data_read_ += n;
  if (data_read_ == data_.size()) {
    data_.clear();
    data_read_ = 0;
  }
  return n;
}

void TelnetComPort::DiscardData() {
  data_.clear();
  data_read_ = 0;
}

std::string TelnetComPort::TakeReplies() {
  std::string out;
  out.swap(replies_);
  return out;
}

std::string TelnetComPort::EncodeData(std::string_view data) {
  std::string out;
  out.reserve(data.size() + 8);
  for (const char c : data) AppendEscaped(out, static_cast<unsigned char>(c));
  return out;
}

std::string TelnetComPort::SetBaudRate(std::uint32_t baud) {
  const char value[4] = {static_cast<char>(baud >> 24), static_cast<char>(baud >> 16),
                         static_cast<char>(baud >> 8), static_cast<char>(baud)};
  return ComPortSubnegotiation(kSetBaudRate, std::string_view(value, 4));
}

std::string TelnetComPort::ComPortCommand(unsigned char command, unsigned char value) {
  const char byte = static_cast<char>(value);
  return ComPortSubnegotiation(command, std::string_view(&byte, 1));
}

}  // namespace zt::serial_detail
