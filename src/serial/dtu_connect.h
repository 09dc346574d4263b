// Waking a DTU and logging in: the one connect sequence of the configuration
// worker and of the production test. The DTU answers its wake-up blanks with
// "RUN AT", then "OK"; the login follows with the tool's password.
//
//   log connecting; wake-up    -- no answer: log no_answer, kNoAnswer
//   on_woken(); log woken; log logging_in (when not empty)
//   login                      -- refused, unanswered or a password the
//                                 builder refuses: log login_failed,
//                                 kLoginFailed (nothing sent for the last)
//   log logged_in, kLoggedIn
//
// What differs between the senders: the blanks, limits and attempts
// (dtu_commands.h), the transaction form (`wake` and `send`: the worker wakes
// with its resending form) and the texts. What the caller does after a
// failure (the worker's DONE 0, the test run's next try) stays with it.
//
// Thread safety: runs on the caller's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "serial/dtu_commands.h"

namespace zt {

struct ConnectTexts {
  std::string_view connecting;
  std::string_view no_answer;
  std::string_view woken;
  std::string_view logging_in;  // may be empty: no line
  std::string_view login_failed;
  std::string_view logged_in;
};

enum class ConnectResult { kLoggedIn, kNoAnswer, kLoginFailed };

// One exchange: true when the rule's expected text and then "OK" arrived.
using DtuExchangeFn = std::function<bool(std::string_view command, const AnswerRule& rule)>;

struct ConnectSequence {
  DtuSender sender;
  std::uint16_t connect_timeout_s = 0;  // the production test's wake-up attempts
  std::string_view password;
  ConnectTexts texts;
  std::function<void(std::string_view)> log;
  DtuExchangeFn wake;
  DtuExchangeFn send;
  std::function<void()> on_woken;  // may be empty
};

ConnectResult WakeAndLogin(const ConnectSequence& sequence);

}  // namespace zt
