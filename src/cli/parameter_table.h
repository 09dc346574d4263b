// The parameter table that `read` prints, and the edits that `write --param`
// applies, apart from the terminal and the port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "params/param_catalogue.h"

namespace zt::cli {

// UTF-8 rows "group\tparameter\tshort name\tvalue\n" for every parameter of
// the used groups 1 to 29 in catalogue order, leaving out channel groups of
// other modes. Passwords show one "*" per byte; a tab, CR or LF inside a
// field shows as \t, \r, \n; other control bytes and bytes that are not
// GBK as \xNN.
std::string ParameterTable(const CParamCatalogue& catalogue, bool s3, std::int32_t mode);

// One --param KEY=VALUE, or KEY@CHANNEL=VALUE.
struct ParamEdit {
  std::string key;                // GBK short name
  std::optional<int> channel;     // the channel group of that channel
  std::string value;              // GBK
};

// Parses a command-line argument (UTF-8); on failure returns nothing and sets `error`.
std::optional<ParamEdit> ParseParamEdit(std::string_view utf8, std::string& error);

// Applies the edits as an operator's edits are applied (the list's choices,
// read-only parameters refused, every text through ValidateEdit), then
// selects exactly the edited parameters. On a refusal nothing is selected
// and the message (UTF-8) is returned; the empty string means success.
std::string ApplyParamEdits(CParamCatalogue& catalogue, bool s3, std::int32_t mode,
                            const std::vector<ParamEdit>& edits);

}  // namespace zt::cli
