// A production line's shared database (RECORDS_URL, --records-url): the
// store that every station of the line forwards its records to.
#pragma once

#include <memory>
#include <string>

#include "records/record_store.h"

namespace zt {

// The line's store at `url` ("postgresql://..."); nothing, with the reason
// in `error` (UTF-8), when it cannot be reached or this build has no
// support for it.
std::unique_ptr<IRecordStore> OpenLineStore(const std::string& url, std::string& error);

}  // namespace zt
