// What `write --config` selects after the import: every parameter that is
// not read-only, or with --partial only those whose entry the file holds.
// An import clears a value the file lacks, so without --partial a file that
// lacks any parameter the set would send is refused rather than sent blank.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "configfile/config_file.h"
#include "params/param_catalogue.h"

namespace zt::cli {

// The entries of `absent` that "set with channels" in `mode` would send:
// writable parameters of the groups it writes, up to the first unused group.
std::vector<ConfigFileSlot> AbsentEntriesToSend(const CParamCatalogue& catalogue, std::int32_t mode,
                                                const std::vector<ConfigFileSlot>& absent);

// The refusal (UTF-8) that names the first of `missing` and counts the rest.
std::string MissingEntriesRefusal(const std::vector<ConfigFileSlot>& missing);

// Selects every writable parameter, or with `partial` those that are not in
// `absent`; common-group copies follow their parameters.
void SelectImported(CParamCatalogue& catalogue, const std::vector<ConfigFileSlot>& absent, bool partial);

}  // namespace zt::cli
