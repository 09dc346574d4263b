// The store of a whole line: every station forwards its records to one
// PostgreSQL database named by a URL ("postgresql://user@host/db" or
// "postgres://..."). Credentials come the way libpq finds them (~/.pgpass, a
// service file, PGPASSWORD) or from the URL itself.
#pragma once

#include <memory>
#include <string>

#include "records/record_store.h"

namespace zt {

// Connects to the line's database (a short connect time-out, so a missing
// server is known within seconds) and creates or migrates its schema. Nothing,
// with a UTF-8 reason in `error` that never shows the URL's password, when the
// URL is not a PostgreSQL URL or the database cannot be used.
//
// The store returned is used from one thread at a time; each thread that
// needs the line's database opens its own.
std::unique_ptr<IRecordStore> OpenLineStore(const std::string& url, std::string& error);

}  // namespace zt
