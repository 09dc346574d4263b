// Which catalogue file a load reads. An installed tool's catalogue folder is
// the user's own (~/.config/zereltool/): while the user has no copy of a
// catalogue there, the shipped file (/usr/share/zereltool/) is read instead.
// The common marks always go to the folder's own file (common_mark_writer.h
// makes it from the shipped one), so the shipped file is never written.
//
// Thread safety: set at start; any thread may ask meanwhile.
#pragma once

#include <string>

#include "settings/process_flags.h"

namespace zt {

// Catalogue files missing from `folder` are read from `shipped`; an empty
// `shipped` ends that.
void SetShippedCatalogueFolder(const std::string& folder, const std::string& shipped);

// The file a load of (folder, variant) reads: CataloguePath(folder, variant)
// when it exists or the folder has no shipped folder, else the shipped file.
std::string CatalogueReadPath(const std::string& folder, FileVariant variant);

}  // namespace zt
