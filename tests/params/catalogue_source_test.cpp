// An installed tool's catalogues: loads read the shipped file while the
// user's folder has no copy, and the common marks make the user's copy from
// it, leaving the shipped file as it was.
#include "params/catalogue_source.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "params/catalogue_loader.h"
#include "params/common_mark_writer.h"
#include "params/common_param_list.h"
#include "params/shared_catalogue.h"
#include "support/temp_dir.h"

namespace zt {
namespace {

// The user's folder (empty at first) and a shipped folder holding the
// shipped S3 catalogue, put in force as an installed tool does at start.
class ShippedCatalogue : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::mkdir(User().c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(Shipped().c_str(), 0755), 0);
    shipped_bytes = test::ReadFileBytes(CataloguePath(ZT_SOURCE_DATA_DIR, FileVariant::kS3));
    ASSERT_FALSE(shipped_bytes.empty());
    ASSERT_TRUE(test::WriteFileBytes(CataloguePath(Shipped(), FileVariant::kS3), shipped_bytes));
    SetShippedCatalogueFolder(User(), Shipped());
  }
  void TearDown() override { SetShippedCatalogueFolder("", ""); }
  std::string User() const { return dir.File("user") + "/"; }
  std::string Shipped() const { return dir.File("share"); }
  // The marks of a catalogue loaded from `folder`.
  CommonParamMarks LoadedMarks(const std::string& folder) {
    SharedCatalogue shared;
    EXPECT_TRUE(LoadCatalogue(shared, folder, FileVariant::kS3).loaded());
    return shared.Read([](const CParamCatalogue& c) { return CollectCommonMarks(c); });
  }

  test::TempDir dir;
  std::string shipped_bytes;
};

TEST_F(ShippedCatalogue, ALoadReadsTheShippedFileWhileTheUserHasNoCopy) {
  EXPECT_EQ(CatalogueReadPath(User(), FileVariant::kS3), CataloguePath(Shipped(), FileVariant::kS3));
  SharedCatalogue shared;
  EXPECT_TRUE(LoadCatalogue(shared, User(), FileVariant::kS3).loaded());
  EXPECT_GT(shared.Read([](const CParamCatalogue& c) { return c.group_count; }), 0);
  // Another folder is not the user's: no fallback there.
  EXPECT_EQ(LoadCatalogue(shared, dir.File("elsewhere"), FileVariant::kS3).status,
            CatalogueLoadStatus::kFileMissing);
}

TEST_F(ShippedCatalogue, TheMarksMakeTheUsersCopyAndLeaveTheShippedFile) {
  CommonParamMarks marks = LoadedMarks(User());
  marks[2][0] = !marks[2][0];
  const CommonMarksWrite written = WriteCommonMarks(User(), FileVariant::kS3, marks);
  EXPECT_EQ(written.catalogue, MarkWriteStatus::kWritten);
  EXPECT_EQ(written.profile, MarkWriteStatus::kFileMissing);

  const std::string copy = CataloguePath(User(), FileVariant::kS3);
  EXPECT_EQ(CatalogueReadPath(User(), FileVariant::kS3), copy);
  EXPECT_EQ(test::ReadFileBytes(CataloguePath(Shipped(), FileVariant::kS3)), shipped_bytes);
  const std::string copied = test::ReadFileBytes(copy);
  EXPECT_EQ(copied.size(), shipped_bytes.size());  // one mark's value changed
  EXPECT_NE(copied, shipped_bytes);
  EXPECT_EQ(LoadedMarks(User()), marks);

  // From now on the marks go into the copy.
  marks[2][0] = !marks[2][0];
  EXPECT_EQ(WriteCommonMarks(User(), FileVariant::kS3, marks).catalogue, MarkWriteStatus::kWritten);
  EXPECT_EQ(test::ReadFileBytes(copy), shipped_bytes);
  EXPECT_EQ(test::ReadFileBytes(CataloguePath(Shipped(), FileVariant::kS3)), shipped_bytes);
}

TEST_F(ShippedCatalogue, WithoutAShippedFileThereIsNoCopyToMake) {
  CommonParamMarks marks = LoadedMarks(User());
  EXPECT_EQ(WriteCommonMarks(User(), FileVariant::kS2, marks).catalogue, MarkWriteStatus::kFileMissing);
  EXPECT_TRUE(test::ReadFileBytes(CataloguePath(User(), FileVariant::kS2)).empty());
}

}  // namespace
}  // namespace zt
