#include "records/line_store.h"

#include "records/pg/pg_record_store.h"

namespace zt {

std::unique_ptr<IRecordStore> OpenLineStore(const std::string& url, std::string& error) {
  return PgRecordStore::Open(url, error);
}

}  // namespace zt
