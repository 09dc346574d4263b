// The Telnet side of a port reached over the network with COM-port control
// (ser2net's "telnet(rfc2217)" mode): the server sets the real line's speed,
// data bits, parity and stop bits when the client asks, and data bytes travel
// inside a Telnet stream.
//
// TelnetComPort is only the codec, with no socket: the device feeds it what
// the socket received and sends what it hands out. It
//   - takes Telnet commands, option negotiations and subnegotiations out of
//     the received stream (also when a sequence is split across reads) and
//     turns IAC IAC back into one 0xFF data byte;
//   - answers the server's negotiations: BINARY and SUPPRESS-GO-AHEAD are
//     accepted both ways, COM-PORT-OPTION is offered by the client, anything
//     else is refused; a request for a state already in force is not answered
//     (no negotiation loops);
//   - builds the COM-port requests (speed, data size, parity, stop size, DTR,
//     purge) and keeps the speed the server reports back;
//   - doubles IAC in the data it is given to send.
//
// Thread safety: none; the device guards it with its own mutex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zt::serial_detail {

class TelnetComPort {
 public:
  // Telnet bytes.
  static constexpr unsigned char kIac = 255;
  static constexpr unsigned char kDont = 254;
  static constexpr unsigned char kDo = 253;
  static constexpr unsigned char kWont = 252;
  static constexpr unsigned char kWill = 251;
  static constexpr unsigned char kSb = 250;
  static constexpr unsigned char kSe = 240;
  // Options.
  static constexpr unsigned char kBinary = 0;
  static constexpr unsigned char kSuppressGoAhead = 3;
  static constexpr unsigned char kComPort = 44;
  // COM-port commands from the client; the server's answer to command n is
  // 100 + n.
  static constexpr unsigned char kSetBaudRate = 1;
  static constexpr unsigned char kSetDataSize = 2;
  static constexpr unsigned char kSetParity = 3;
  static constexpr unsigned char kSetStopSize = 4;
  static constexpr unsigned char kSetControl = 5;
  static constexpr unsigned char kPurgeData = 12;
  static constexpr unsigned char kServerOffset = 100;

  TelnetComPort();

  // What the client says first: WILL COM-PORT-OPTION, WILL and DO BINARY,
  // WILL and DO SUPPRESS-GO-AHEAD.
  std::string Greeting();

  // Takes in bytes received from the server. Data goes to the data queue,
  // answers to the server's negotiations to the reply queue.
  void Feed(std::string_view received);

  // Data received and not yet taken.
  std::size_t DataQueued() const { return data_.size() - data_read_; }
  // Moves up to `capacity` data bytes into `buffer`; the count.
  std::size_t TakeData(char* buffer, std::size_t capacity);
  void DiscardData();

  // Answers waiting to go to the server; taking them empties the queue.
  bool HasReplies() const { return !replies_.empty(); }
  std::string TakeReplies();

  // `data` with each IAC doubled.
  static std::string EncodeData(std::string_view data);

  // COM-port requests (RFC 2217 values: parity 1 none, 2 odd, 3 even,
  // 4 mark, 5 space; stop size 1 one, 2 two, 3 one and a half; control 8
  // DTR on; purge 1 the receive buffer). Values are sent in network order
  // with IAC doubled.
  static std::string SetBaudRate(std::uint32_t baud);
  static std::string ComPortCommand(unsigned char command, unsigned char value);

  // The server refused COM-PORT-OPTION (DONT): the line cannot be set.
  bool ComPortRefused() const { return com_port_refused_; }
  // How many speed answers came so far, and the last speed the server
  // reported.
  std::uint64_t BaudReplies() const { return baud_replies_; }
  std::optional<std::uint32_t> ReportedBaud() const { return reported_baud_; }

 private:
  enum class Parse { kData, kIac, kOption, kSub, kSubIac };

  void Negotiate(unsigned char verb, unsigned char option);
  void Subnegotiation();
  void Reply(unsigned char verb, unsigned char option);

  Parse parse_ = Parse::kData;
  unsigned char verb_ = 0;
  std::string sub_;
  std::string data_;
  std::size_t data_read_ = 0;  // data_ before it is taken
  std::string replies_;
  bool us_[256] = {};   // options in force on our side (WILL answered DO)
  bool him_[256] = {};  // options in force on the server's side
  bool com_port_refused_ = false;
  std::uint64_t baud_replies_ = 0;
  std::optional<std::uint32_t> reported_baud_;
};

}  // namespace zt::serial_detail
