#include "params/shared_catalogue.h"

#include <sys/stat.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue_builder.h"
#include "common/program_path.h"
#include "params/catalogue_loader.h"
#include "params/validate_edit.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::CatalogueBuilder;

class RecordingErrors : public ICatalogueErrors {
 public:
  void ShowCatalogueMessage(std::string_view gbk) override { messages.emplace_back(gbk); }
  void CatalogueFatal(std::string_view gbk) override { fatal.emplace_back(gbk); }
  void CatalogueFileError(std::string_view gbk) override { file_errors.emplace_back(gbk); }
  void CatalogueNotLoaded(std::string_view gbk) override { not_loaded.emplace_back(gbk); }
  std::vector<std::string> messages, fatal, file_errors, not_loaded;
};

TEST(SharedCatalogue, ALoadSwapsInTheNewTableAndKeepsTheCurrentGroup) {
  SharedCatalogue shared;
  shared.Write([](CParamCatalogue& c) { c.current_group = 4; });
  const CatalogueLoadResult r = LoadCatalogue(shared, ProgramDirectory(), FileVariant::kS3);
  ASSERT_TRUE(r.loaded());
  EXPECT_EQ(shared.Read([](const CParamCatalogue& c) { return c.current_group; }), 4);
  EXPECT_EQ(shared.Read([](const CParamCatalogue& c) { return c.groups[1].name; }),
            "系统参数"_gbk);
}

TEST(SharedCatalogue, AMissingFileLeavesAnEmptyTable) {
  SharedCatalogue shared;
  ASSERT_TRUE(LoadCatalogue(shared, ProgramDirectory(), FileVariant::kS3).loaded());
  test::TempDir empty;
  EXPECT_EQ(LoadCatalogue(shared, empty.path(), FileVariant::kS3).status,
            CatalogueLoadStatus::kFileMissing);
  EXPECT_EQ(shared.Read([](const CParamCatalogue& c) { return c.groups[1].name; }), "");
}

TEST(CatalogueRetries, AGoodFileLoadsAtTheFirstAttempt) {
  SharedCatalogue shared;
  RecordingErrors errors;
  EXPECT_TRUE(LoadCatalogueWithRetries(shared, ProgramDirectory(), FileVariant::kS2, errors));
  EXPECT_TRUE(errors.messages.empty() && errors.fatal.empty() && errors.file_errors.empty());
}

TEST(CatalogueRetries, FailuresWithoutAMessageGiveTheirReasonOnceAfterTheLastAttempt) {
  test::TempDir dir;
  CatalogueBuilder range;
  range.Groups(1).Group(1, "a", 1).Param(1, 1, "0x0101").Entry("is_check_range", "1").Entry("value_range", "5");
  ASSERT_TRUE(test::WriteFileBytes(dir.File("dtuparam_s3.ini"), range.text()));
  std::string missing("找不到参数文件: "_gbk);
  missing += dir.File("dtuparam_s2.ini");
  const std::string malformed("[group1_parm1] value_range有误"_gbk);
  for (const auto& [variant, reason] : {std::pair{FileVariant::kS2, missing}, {FileVariant::kS3, malformed}}) {
    SharedCatalogue shared;
    RecordingErrors errors;
    EXPECT_FALSE(LoadCatalogueWithRetries(shared, dir.path(), variant, errors));
    // The window shows nothing for them, as it always has.
    EXPECT_TRUE(errors.messages.empty() && errors.fatal.empty() && errors.file_errors.empty()) << reason;
    EXPECT_EQ(errors.not_loaded, std::vector<std::string>{reason});
  }
}

TEST(CatalogueRetries, AnUnreadableFileShowsItsMessageOnEveryAttempt) {
  SharedCatalogue shared;
  RecordingErrors errors;
  test::TempDir dir;
  ASSERT_EQ(::mkdir(dir.File("dtuparam_s3.ini").c_str(), 0700), 0);
  EXPECT_FALSE(LoadCatalogueWithRetries(shared, dir.path(), FileVariant::kS3, errors, 3));
  const std::string_view message = "读入dtuparam.ini失败**"_gbk;
  ASSERT_EQ(errors.messages.size(), 3u);
  for (const std::string& shown : errors.messages) EXPECT_EQ(shown, message);
}

TEST(CatalogueRetries, AFatalErrorIsReportedOnceAndEndsTheAttempts) {
  SharedCatalogue shared;
  RecordingErrors errors;
  test::TempDir dir;
  CatalogueBuilder b;
  b.Groups(3).PlainGroup(1, "a", 1).PlainGroup(2, "b", 0);
  ASSERT_TRUE(test::WriteFileBytes(dir.File("dtuparam_s3.ini"), b.text()));
  EXPECT_FALSE(LoadCatalogueWithRetries(shared, dir.path(), FileVariant::kS3, errors));
  EXPECT_EQ(errors.fatal, std::vector<std::string>{std::string("组名字为空: group3"_gbk)});
  // What was read before the error is what the caller works with.
  EXPECT_EQ(shared.Read([](const CParamCatalogue& c) { return c.groups[2].name; }), "b");
}

TEST(CatalogueRetries, ACapacityErrorIsReportedOnceAfterTheLastAttempt) {
  SharedCatalogue shared;
  RecordingErrors errors;
  test::TempDir dir;
  CatalogueBuilder b;
  b.Groups(1).Group(1, "a", 65);
  ASSERT_TRUE(test::WriteFileBytes(dir.File("dtuparam_s3.ini"), b.text()));
  EXPECT_FALSE(LoadCatalogueWithRetries(shared, dir.path(), FileVariant::kS3, errors));
  EXPECT_EQ(errors.file_errors, std::vector<std::string>{std::string("[group1] count=65: 每组最多64个参数"_gbk)});
  EXPECT_TRUE(errors.fatal.empty());
}

// A query stores values on the worker thread while the user interface thread
// draws them and a connect reloads the catalogue; ThreadSanitizer watches.
TEST(SharedCatalogue, AWriterAReaderAndAReloadDoNotRace) {
  SharedCatalogue shared;
  ASSERT_TRUE(LoadCatalogue(shared, ProgramDirectory(), FileVariant::kS3).loaded());
  std::atomic<bool> stop{false};
  std::atomic<int> writes{0};

  std::thread worker([&] {
    for (int round = 0; round < 200; ++round) {
      shared.Write([&](CParamCatalogue& c) {
        for (int g = 1; g < kGroupSlots; ++g) {
          for (int i = 0; i < c.groups[g].UsedCount(); ++i) {
            ParamDef& p = c.groups[g].params[i];
            if (p.is_const_param) continue;
            p.value = std::to_string(round);
            if (p.is_common_param) c.SyncValue(g, i);
          }
        }
      });
      ++writes;
    }
  });
  std::thread loader([&] {
    for (int i = 0; i < 5; ++i) (void)LoadCatalogue(shared, ProgramDirectory(), FileVariant::kS3);
  });
  std::size_t drawn = 0;
  while (writes.load() < 200) {
    drawn += shared.Read([](const CParamCatalogue& c) {
      std::size_t bytes = 0;
      for (int i = 0; i < c.groups[1].UsedCount(); ++i) bytes += c.groups[1].params[i].value.size();
      return bytes;
    });
    const EditResult r = shared.Write([](CParamCatalogue& c) { return ValidateEdit(c, 3, 0, "CMIOT"); });
    EXPECT_TRUE(r.accepted());
  }
  worker.join();
  loader.join();
  stop = true;
  EXPECT_EQ(shared.Read([](const CParamCatalogue& c) { return c.groups[1].name; }), "系统参数"_gbk);
  (void)drawn;
}

}  // namespace
}  // namespace zt
