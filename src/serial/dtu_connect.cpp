#include "serial/dtu_connect.h"

#include <optional>
#include <string>

namespace zt {

ConnectResult WakeAndLogin(const ConnectSequence& s) {
  s.log(s.texts.connecting);
  if (!s.wake(WakeUpCommand(s.sender), WakeUpRule(s.sender, s.connect_timeout_s))) {
    s.log(s.texts.no_answer);
    return ConnectResult::kNoAnswer;
  }
  if (s.on_woken) s.on_woken();
  s.log(s.texts.woken);
  if (!s.texts.logging_in.empty()) s.log(s.texts.logging_in);

  const std::optional<std::string> login = LoginCommand(s.password);
  if (!login || !s.send(*login, LoginRule(s.sender))) {
    s.log(s.texts.login_failed);
    return ConnectResult::kLoginFailed;
  }
  s.log(s.texts.logged_in);
  return ConnectResult::kLoggedIn;
}

}  // namespace zt
