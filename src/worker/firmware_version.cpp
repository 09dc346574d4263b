#include "worker/firmware_version.h"

namespace zt {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsS3Version(std::string_view text) {
  for (std::size_t i = 0; i + 5 <= text.size(); ++i) {
    if (IsDigit(text[i]) && text[i + 1] == '.' && IsDigit(text[i + 2]) && text[i + 3] == '.' &&
        IsDigit(text[i + 4])) {
      return text[i] >= '3';
    }
  }
  return true;
}

}  // namespace zt
