// The duplicate-IMEI question over the station's store and the line's.
#include <gtest/gtest.h>

#include "records/store_recorder.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;

// A line's store that counts the questions it is asked and knows one use.
class CountingLine final : public IRecordStore {
 public:
  bool Append(const UnitRecord&) override { return true; }
  std::optional<std::vector<UnitRecord>> List(const RecordFilter&) override { return std::vector<UnitRecord>{}; }
  std::optional<UnitRecord> Find(const std::string&) override { return std::nullopt; }
  std::optional<ImeiUse> PassedWithImeiOtherThan(const std::string&, const std::string&, bool&) override {
    ++asked;
    return ImeiUse{"u-1", "2026-12-07T08:00:00.000Z", "line-2", "P-200"};
  }
  std::string LastError() const override { return {}; }
  int asked = 0;
};

TEST(ImeiGuard, TheLineIsAskedUnlessItIsKnownToBeDown) {
  for (const bool down : {false, true}) {
    CountingLine line;
    StoreImeiGuard guard({nullptr, &line}, [down] { return down; });
    std::string note;
    const std::optional<std::string> refusal = guard.EarlierUse("861234567890123", "P-100", note);
    EXPECT_EQ(line.asked, down ? 0 : 1);
    EXPECT_EQ(refusal.has_value(), !down);
    if (down) {
      EXPECT_EQ(note, "产线测试记录库暂不可用，仅查询了本机测试记录"_gbk);
    } else {
      EXPECT_EQ(*refusal, "IMEI号 861234567890123 已用于产品 P-200（2026-12-07T08:00:00.000Z，line-2）"_gbk);
    }
  }
}

}  // namespace
}  // namespace zt
