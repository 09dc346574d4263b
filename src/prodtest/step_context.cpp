#include "prodtest/step_context.h"

#include <optional>

#include "serial/serial_port.h"

namespace zt {

bool StepContext::Exchange(std::string_view command, std::string_view expected, int limit_s,
                           std::uint16_t attempts, std::string* reply, std::size_t capacity) const {
  std::string excerpt;
  std::uint16_t length = 0;
  const AtResult result = FrameSendAndWait(port, std::optional<std::string_view>(command), expected, excerpt,
                                      capacity, length, limit_s, attempts, &cancel);
  if (result != AtResult::kMatched) return false;
  if (reply != nullptr) *reply = std::move(excerpt);
  return true;
}

}  // namespace zt
