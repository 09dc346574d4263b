// This build keeps records on the station only.
#include "records/line_store.h"

namespace zt {

std::unique_ptr<IRecordStore> OpenLineStore(const std::string& /*url*/, std::string& error) {
  error = "PostgreSQL support is not built";
  return nullptr;
}

}  // namespace zt
