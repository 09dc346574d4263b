#include "params/shared_catalogue.h"

namespace zt {

SharedCatalogue& GlobalCatalogue() {
  static SharedCatalogue catalogue;
  return catalogue;
}

}  // namespace zt
