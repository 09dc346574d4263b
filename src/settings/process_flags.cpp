#include "settings/process_flags.h"

namespace zt {

ProcessFlags& GlobalFlags() {
  static ProcessFlags flags;
  return flags;
}

}  // namespace zt
