// The serial-number question on standard input: the product number, then
// the IMEI (an empty answer takes the dialog's preset IMEI), each checked as
// the dialog checks them; a refusal is printed and the question asked again.
// The end of standard input closes the question without an answer.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <string_view>

#include "prodtest/test_view.h"

namespace zt::cli {

class StdinSerialNumberPrompt final : public ISerialNumberPrompt {
 public:
  // `fd`: where the answers come from (standard input; a pipe in tests).
  explicit StdinSerialNumberPrompt(int fd = 0) : fd_(fd) {}

  std::optional<SerialNumbers> AskSerialNumbers(const std::atomic<bool>& cancel) override {
    return AskSerialNumbers(cancel, {});
  }
  // The same with `utf8_label` before each question and refusal (several
  // ports at once: the port the numbers are for).
  std::optional<SerialNumbers> AskSerialNumbers(const std::atomic<bool>& cancel, std::string_view utf8_label);

 private:
  // One line without its line end (UTF-8 as typed); nothing at the end of
  // the input or once `cancel` is set.
  std::optional<std::string> ReadLine(const std::atomic<bool>& cancel);

  int fd_;
  std::string pending_;
  bool ended_ = false;
};

// Answers every question with the numbers of the command line.
class FixedSerialNumbers final : public ISerialNumberPrompt {
 public:
  explicit FixedSerialNumbers(SerialNumbers numbers) : numbers_(std::move(numbers)) {}
  std::optional<SerialNumbers> AskSerialNumbers(const std::atomic<bool>&) override { return numbers_; }

 private:
  SerialNumbers numbers_;
};

}  // namespace zt::cli
