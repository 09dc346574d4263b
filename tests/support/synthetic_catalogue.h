// A full catalogue for speed measurements: 28 groups of 64 parameters
// (short names P<g>X<n>), every key written, as an S3 catalogue file's text.
#pragma once

#include <string>

namespace zt::test {

std::string FullCatalogueText();

}  // namespace zt::test
