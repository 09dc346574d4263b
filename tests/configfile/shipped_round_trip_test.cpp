// Export then import of the shipped catalogues: every value comes back byte
// for byte, whatever it holds.
#include <gtest/gtest.h>

#include "common/program_path.h"
#include "configfile/config_file.h"
#include "params/catalogue_loader.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"
#include "text/strformat.h"

namespace zt {
namespace {

using namespace zt::literals;

// Values that a careless INI writer would lose or change.
std::string AwkwardValue(int n) {
  switch (n % 12) {
    case 0: return Format("值%d"_gbk, n);
    case 1: return "";
    case 2: return "a=b=c";
    case 3: return " lead and trail ";
    case 4: return "in ner  blanks";
    case 5: return "\"quoted\"";
    case 6: return "\"half";
    case 7: return "x;y[z]";
    case 8:
      return ";not a comment";
    case 9: return std::string(300, 'v') + std::string("尾"_gbk);
    case 10: return "=";
    default: return std::string("测试 =\"值\" "_gbk);
  }
}

struct Snapshot {
  std::vector<std::string> values;  // every slot of groups 0 to 29
};

Snapshot Take(const SharedCatalogue& catalogue) {
  return catalogue.Read([](const CParamCatalogue& c) {
    Snapshot s;
    for (const ParamGroup& g : c.groups) {
      for (int i = 0; i < g.UsedCount(); ++i) s.values.push_back(g.params[i].value);
    }
    return s;
  });
}

class ShippedRoundTrip : public ::testing::TestWithParam<std::tuple<FileVariant, std::int32_t>> {
 protected:
  FileVariant variant() const { return std::get<0>(GetParam()); }
  std::int32_t mode() const { return std::get<1>(GetParam()); }

  void SetUp() override {
    ASSERT_TRUE(LoadCatalogue(catalogue_, ProgramDirectory(), variant()).loaded());
    catalogue_.Write([&](CParamCatalogue& c) {
      c.RebuildCommonGroup();
      int n = 0;
      for (int g = 1; g < kGroupSlots; ++g) {
        for (int i = 0; i < c.groups[g].UsedCount(); ++i) {
          ParamDef& p = c.groups[g].params[i];
          p.value = AwkwardValue(n++);
          if (p.name == "软件版本"_gbk) p.value = variant() == FileVariant::kS3 ? "V3.2.7" : "V2.6.1";
          if (p.short_name == "OPPRM") p.value = std::string(ModeToken(mode()));
        }
      }
    });
  }

  // Whether group g goes into a file exported in the mode.
  bool Exported(const CParamCatalogue& c, int g) const {
    return g > 0 && c.groups[g].UsedCount() > 0 &&
           (c.groups[g].chn < 1 || c.channels.HasChannel(mode(), c.groups[g].chn));
  }

  test::TempDir dir_;
  SharedCatalogue catalogue_;
};

TEST_P(ShippedRoundTrip, EveryExportedValueComesBackByteForByte) {
  const std::string path = dir_.File("round");
  ASSERT_TRUE(ExportConfigFile(catalogue_, path, mode()).ok);
  const Snapshot before = Take(catalogue_);

  catalogue_.Write([](CParamCatalogue& c) {
    for (ParamGroup& g : c.groups) {
      for (int i = 0; i < g.UsedCount(); ++i) g.params[i].value = "overwritten";
    }
  });
  const ConfigFileOutcome out = ImportConfigFile(catalogue_, path + ".ini", variant(), mode(), -1);
  ASSERT_TRUE(out.ok) << out.message;
  const Snapshot after = Take(catalogue_);
  ASSERT_EQ(after.values.size(), before.values.size());

  catalogue_.Read([&](const CParamCatalogue& c) {
    std::size_t k = static_cast<std::size_t>(c.groups[0].UsedCount());
    int compared = 0;
    for (int g = 1; g < kGroupSlots; ++g) {
      for (int i = 0; i < c.groups[g].UsedCount(); ++i, ++k) {
        if (Exported(c, g)) {
          EXPECT_EQ(after.values[k], before.values[k]) << c.groups[g].name << " / " << c.groups[g].params[i].name;
          ++compared;
        } else {
          EXPECT_EQ(after.values[k], "");  // absent from the file: cleared
        }
      }
    }
    EXPECT_GT(compared, 50);
    // Each common copy holds what the last parameter of its name received.
    EXPECT_GT(c.groups[0].UsedCount(), 0);
    for (int i = 0; i < c.groups[0].UsedCount(); ++i) {
      const ParamDef& copy = c.groups[0].params[i];
      std::string expected = "overwritten";
      for (int g = 1; g < kGroupSlots; ++g) {
        for (int j = 0; j < c.groups[g].UsedCount(); ++j) {
          if (c.groups[g].params[j].name == copy.name) expected = c.groups[g].params[j].value;
        }
      }
      EXPECT_EQ(copy.value, expected) << copy.name;
    }
    return 0;
  });
}

TEST_P(ShippedRoundTrip, ARefusedImportLeavesEveryValueUnchanged) {
  const std::string path = dir_.File("other.ini");
  ASSERT_TRUE(ExportConfigFile(catalogue_, path, mode()).ok);
  const Snapshot before = Take(catalogue_);
  const FileVariant other = variant() == FileVariant::kS3 ? FileVariant::kS2 : FileVariant::kS3;
  EXPECT_EQ(ImportConfigFile(catalogue_, path, other, mode(), -1).message,
            std::string("导入的配置 与当前程序版本 不匹配"_gbk));
  if (variant() == FileVariant::kS3) {
    const std::int32_t other_mode = mode() == kModeSin ? kModeMulb : kModeSin;
    EXPECT_EQ(ImportConfigFile(catalogue_, path, variant(), other_mode, -1).message,
              std::string("即将导入的文件中 DTU通道运行模式 与当前通道模式不匹配"_gbk));
  }
  EXPECT_EQ(Take(catalogue_).values, before.values);
}

INSTANTIATE_TEST_SUITE_P(
    Catalogues, ShippedRoundTrip,
    ::testing::Values(std::make_tuple(FileVariant::kS3, kModeSin), std::make_tuple(FileVariant::kS3, kModeBak),
                      std::make_tuple(FileVariant::kS3, kModeMul), std::make_tuple(FileVariant::kS3, kModeMulb),
                      std::make_tuple(FileVariant::kS2, kModeSin)),
    [](const auto& param_info) {
      return std::string(std::get<0>(param_info.param) == FileVariant::kS3 ? "S3" : "S2") +
             std::string(ModeToken(std::get<1>(param_info.param)));
    });

}  // namespace
}  // namespace zt
