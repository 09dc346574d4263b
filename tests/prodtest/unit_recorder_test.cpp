// The software version a unit's record takes from its SPSV answer.
#include <gtest/gtest.h>

#include "prodtest/unit_recorder.h"

namespace zt {
namespace {

TEST(VersionValue, TakesTheValueAfterTheEchoedCommand) {
  struct Case {
    const char* excerpt;
    const char* value;
  };
  const Case cases[] = {
      {"SPSV=3.1.2\r\nOK", "3.1.2"},
      {"SPSV\r\nSPSV=3.1.2\r\nOK", "3.1.2"},
      {"AT+GETPARAM=SPSV\r\nSPSV: 2.1.5\r\n\r\nOK", "2.1.5"},
      {"SPSV=\r\nOK", ""},
      {"SPSV\r\nOK", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(VersionValue(c.excerpt), c.value) << c.excerpt;
}

}  // namespace
}  // namespace zt
