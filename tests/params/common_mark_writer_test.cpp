#include "params/common_mark_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "catalogue_builder.h"
#include "params/catalogue_loader.h"
#include "params/common_param_list.h"
#include "params/shared_catalogue.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"
#include "text/profile_file.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::CatalogueBuilder;

CommonParamMarks Marks(std::initializer_list<std::pair<int, std::vector<bool>>> rows) {
  CommonParamMarks marks;
  for (const auto& [group, row] : rows) marks[static_cast<std::size_t>(group)] = row;
  return marks;
}

// Group 1 with three parameters: the first marked "1", the second "0", the
// third without the key.
std::string SmallCatalogue() {
  CatalogueBuilder b;
  b.Groups(1).Group(1, "网络参数"_gbk, 3);
  b.Param(1, 1, "0x0101", "ASCSTR", "接入点"_gbk, "APN").Entry("is_common_param", "1").Entry("tip", "a");
  b.Param(1, 2, "0x0102", "ASCSTR", "用户"_gbk, "USER").Entry("is_common_param", "0").Entry("tip", "b");
  b.Param(1, 3, "0x0103", "ASCSTR", "密码"_gbk, "PWD").Entry("tip", "c");
  return b.text();
}

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(CatalogueMarks, OnlyTheValueBytesChange) {
  const std::string before = SmallCatalogue();
  const MarkedCatalogue marked =
      MarkCatalogueBytes(before, FileVariant::kS3, Marks({{1, {false, true, false}}}));
  ASSERT_EQ(marked.status, MarkWriteStatus::kWritten);
  std::string expected = Replaced(before, "is_common_param=1\r\ntip=a", "is_common_param=0\r\ntip=a");
  expected = Replaced(expected, "is_common_param=0\r\ntip=b", "is_common_param=1\r\ntip=b");
  expected = Replaced(expected, "tip=c\r\n", "tip=c\r\nis_common_param=0\r\n");
  EXPECT_EQ(marked.bytes, expected);
}

TEST(CatalogueMarks, ASectionWithoutTheKeyGetsItAfterItsLastEntry) {
  const std::string before = SmallCatalogue();
  const MarkedCatalogue marked =
      MarkCatalogueBytes(before, FileVariant::kS3, Marks({{1, {true, false, true}}}));
  ASSERT_EQ(marked.status, MarkWriteStatus::kWritten);
  EXPECT_EQ(marked.bytes, before + "is_common_param=1\r\n");
}

TEST(CatalogueMarks, TheNewLineTakesTheLineEndOfTheLineBeforeIt) {
  std::string before = SmallCatalogue();
  for (std::size_t at; (at = before.find("\r\n")) != std::string::npos;) before.erase(at, 1);
  const MarkedCatalogue marked =
      MarkCatalogueBytes(before, FileVariant::kS3, Marks({{1, {true, false, true}}}));
  ASSERT_EQ(marked.status, MarkWriteStatus::kWritten);
  EXPECT_EQ(marked.bytes, before + "is_common_param=1\n");
}

TEST(CatalogueMarks, ALastLineWithoutLineEndGetsOneBeforeTheNewLine) {
  std::string before = SmallCatalogue();
  before.resize(before.size() - 2);  // "tip=c" ends the file
  const MarkedCatalogue marked =
      MarkCatalogueBytes(before, FileVariant::kS3, Marks({{1, {true, false, true}}}));
  ASSERT_EQ(marked.status, MarkWriteStatus::kWritten);
  EXPECT_EQ(marked.bytes, before + "\r\nis_common_param=1");
}

TEST(CatalogueMarks, ASectionNamedTwiceGetsTheKeyInItsLastPart) {
  CatalogueBuilder b;
  b.Groups(1).Group(1, "组"_gbk, 1).Param(1, 1, "0x0101").Section("group1").Entry("chn", "-1");
  b.Section("group1_parm1").Entry("tip", "later").Line("").Section("application").Entry("product", "X");
  const MarkedCatalogue marked = MarkCatalogueBytes(b.text(), FileVariant::kS3, Marks({{1, {true}}}));
  ASSERT_EQ(marked.status, MarkWriteStatus::kWritten);
  EXPECT_EQ(marked.bytes, Replaced(b.text(), "tip=later\r\n", "tip=later\r\nis_common_param=1\r\n"));
}

TEST(CatalogueMarks, OnlyTheEntryTheLoaderReadsIsRewritten) {
  CatalogueBuilder b;
  b.Groups(1).Group(1, "组"_gbk, 1).Param(1, 1, "0x0101");
  b.Entry("is_common_param", "1").Entry("is_common_param", " 1 ").Entry("is_common_param", "");
  const MarkedCatalogue marked = MarkCatalogueBytes(b.text(), FileVariant::kS3, Marks({{1, {false}}}));
  ASSERT_EQ(marked.status, MarkWriteStatus::kWritten);
  EXPECT_EQ(marked.bytes, Replaced(b.text(), "is_common_param= 1 ", "is_common_param= 0 "));
}

TEST(CatalogueMarks, AValueThatReadsAsTheMarkIsStillWrittenPlainly) {
  CatalogueBuilder b;
  b.Groups(1).Group(1, "组"_gbk, 1).Param(1, 1, "0x0101").Entry("is_common_param", "01");
  const MarkedCatalogue marked = MarkCatalogueBytes(b.text(), FileVariant::kS3, Marks({{1, {true}}}));
  ASSERT_EQ(marked.status, MarkWriteStatus::kWritten);
  EXPECT_EQ(marked.bytes, Replaced(b.text(), "is_common_param=01", "is_common_param=1"));
}

TEST(CatalogueMarks, AFileThatHoldsTheMarksIsUnchanged) {
  const std::string before = SmallCatalogue() + "is_common_param=0\r\n";
  CommonParamMarks marks = Marks({{1, {true, false, false}}});
  marks[1].push_back(false);  // a parameter the file does not have
  marks[5] = {true};          // nor this group
  const MarkedCatalogue marked = MarkCatalogueBytes(before, FileVariant::kS3, marks);
  EXPECT_EQ(marked.status, MarkWriteStatus::kUnchanged);
  EXPECT_EQ(marked.bytes, before);
}

TEST(CatalogueMarks, AFileThatDoesNotLoadIsLeftAlone) {
  const std::string broken = Replaced(SmallCatalogue(), "count=3", "count=4");  // no section group1_parm4
  const MarkedCatalogue marked =
      MarkCatalogueBytes(broken, FileVariant::kS3, Marks({{1, {false, true, true}}}));
  EXPECT_EQ(marked.status, MarkWriteStatus::kNotLoadable);
  EXPECT_EQ(marked.bytes, broken);
}

TEST(CatalogueMarks, AnEditThatWouldChangeMoreThanTheMarkIsRefused) {
  // The line is longer than one 298-byte read: what follows the first read
  // is read as a line of its own, here the tip. A shorter value would pull
  // the tip into the mark's line and lose it.
  std::string line = "is_common_param=1";
  line.append(298 - line.size(), 'x');
  line += "tip=hidden";
  CatalogueBuilder b;
  b.Groups(1).Group(1, "组"_gbk, 1).Param(1, 1, "0x0101").Line(line);
  auto c = std::make_unique<CParamCatalogue>();
  ASSERT_TRUE(test::LoadText(b.text(), *c).loaded());
  ASSERT_TRUE(c->groups[1].params[0].is_common_param);
  ASSERT_EQ(c->groups[1].params[0].tip, "hidden");
  const MarkedCatalogue marked = MarkCatalogueBytes(b.text(), FileVariant::kS3, Marks({{1, {false}}}));
  EXPECT_EQ(marked.status, MarkWriteStatus::kUnsafe);
  EXPECT_EQ(marked.bytes, b.text());
}

TEST(CatalogueMarks, S2CodesAreReadAsTheS2FileReadsThem) {
  CatalogueBuilder b;
  b.Groups(1).Group(1, "组"_gbk, 1).Param(1, 1, "257").Entry("is_common_param", "0");
  EXPECT_EQ(MarkCatalogueBytes(b.text(), FileVariant::kS3, Marks({{1, {true}}})).status,
            MarkWriteStatus::kNotLoadable);
  EXPECT_EQ(MarkCatalogueBytes(b.text(), FileVariant::kS2, Marks({{1, {true}}})).status,
            MarkWriteStatus::kWritten);
}

TEST(CatalogueMarkFile, IsReplacedKeepingItsPermissions) {
  test::TempDir dir;
  const std::string path = dir.File("dtuparam_s3.ini");
  ASSERT_TRUE(test::WriteFileBytes(path, SmallCatalogue()));
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  EXPECT_EQ(WriteMarksToCatalogueFile(path, FileVariant::kS3, Marks({{1, {false, false, false}}})),
            MarkWriteStatus::kWritten);
  EXPECT_EQ(test::ReadFileBytes(path),
            Replaced(SmallCatalogue(), "is_common_param=1", "is_common_param=0") + "is_common_param=0\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(CatalogueMarkFile, AFileThatHoldsTheMarksIsNotRewritten) {
  test::TempDir dir;
  const std::string path = dir.File("dtuparam_s3.ini");
  ASSERT_TRUE(test::WriteFileBytes(path, SmallCatalogue() + "is_common_param=0\r\n"));
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  EXPECT_EQ(WriteMarksToCatalogueFile(path, FileVariant::kS3, Marks({{1, {true, false, false}}})),
            MarkWriteStatus::kUnchanged);
  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST(CatalogueMarkFile, AMissingFileIsNotCreated) {
  test::TempDir dir;
  EXPECT_EQ(WriteMarksToCatalogueFile(dir.File("dtuparam_s3.ini"), FileVariant::kS3, Marks({{1, {true}}})),
            MarkWriteStatus::kFileMissing);
  EXPECT_EQ(test::ReadFileBytes(dir.File("dtuparam_s3.ini")), "");
}

TEST(ProfileMarks, EveryParameterGetsItsKey) {
  test::TempDir dir;
  const std::string path = dir.File("dtuparam.ini");
  ASSERT_TRUE(test::WriteFileBytes(path, "[group1_parm1]\r\nname=A\r\nis_common_param=0\r\n"));
  EXPECT_EQ(WriteMarksToProfile(path, Marks({{1, {true, false}}, {3, {true}}})), MarkWriteStatus::kWritten);
  EXPECT_EQ(test::ReadFileBytes(path),
            "[group1_parm1]\r\nname=A\r\nis_common_param=1\r\n"
            "\r\n[group1_parm2]\r\nis_common_param=0\r\n"
            "\r\n[group3_parm1]\r\nis_common_param=1\r\n");
  EXPECT_EQ(WriteMarksToProfile(path, Marks({{1, {true, false}}, {3, {true}}})), MarkWriteStatus::kUnchanged);
}

TEST(ProfileMarks, AMissingFileIsNotCreated) {
  test::TempDir dir;
  EXPECT_EQ(WriteMarksToProfile(dir.File("dtuparam.ini"), Marks({{1, {true}}})),
            MarkWriteStatus::kFileMissing);
  struct stat st {};
  EXPECT_NE(::stat(dir.File("dtuparam.ini").c_str(), &st), 0);
}

// The shipped S3 catalogue in a folder of its own.
class ShippedCatalogueMarks : public ::testing::Test {
 protected:
  void SetUp() override {
    original_ = test::ReadFileBytes(CataloguePath(ZT_SOURCE_DATA_DIR, FileVariant::kS3));
    ASSERT_FALSE(original_.empty());
    ASSERT_TRUE(test::WriteFileBytes(CataloguePath(dir_.path(), FileVariant::kS3), original_));
    ASSERT_TRUE(LoadCatalogue(catalogue_, dir_.path(), FileVariant::kS3).loaded());
  }

  std::string original_;
  test::TempDir dir_;
  SharedCatalogue catalogue_;
};

TEST_F(ShippedCatalogueMarks, AReloadGivesTheSameCatalogueWithTheNewMarks) {
  // Serial and network groups: a new choice, and a custom pair of the
  // registration group.
  CommonParamList list =
      catalogue_.Read([](const CParamCatalogue& c) { return CommonParamList::FromCatalogue(c); });
  list.DeleteAll();
  ASSERT_EQ(list.AddParam("数据位"_gbk, 2), CommonParamList::AddOutcome::kAdded);
  ASSERT_EQ(list.AddParam("APN密码"_gbk, 3), CommonParamList::AddOutcome::kAdded);
  ASSERT_EQ(list.AddParam("注册包长度"_gbk, 6), CommonParamList::AddOutcome::kAdded);
  ASSERT_EQ(list.Lines().size(), 4u);
  const CommonParamMarks marks = catalogue_.Write([&](CParamCatalogue& c) {
    ApplyCommonParams(c, list.Lines());
    return CollectCommonMarks(c);
  });

  const CommonMarksWrite written = WriteCommonMarks(dir_.path(), FileVariant::kS3, marks);
  EXPECT_EQ(written.profile, MarkWriteStatus::kFileMissing);
  EXPECT_EQ(written.catalogue, MarkWriteStatus::kWritten);
  EXPECT_EQ(CommonMarksNotKeptText(written, FileVariant::kS3), "");

  // Only "0" <-> "1" value bytes differ, each right after "is_common_param=".
  const std::string now = test::ReadFileBytes(CataloguePath(dir_.path(), FileVariant::kS3));
  ASSERT_EQ(now.size(), original_.size());
  int changed = 0;
  for (std::size_t i = 0; i < now.size(); ++i) {
    if (now[i] == original_[i]) continue;
    ++changed;
    EXPECT_EQ(now.compare(i - 16, 16, "is_common_param="), 0) << i;
  }
  EXPECT_GT(changed, 4);  // the shipped marks went, four new ones came

  SharedCatalogue reloaded;
  ASSERT_TRUE(LoadCatalogue(reloaded, dir_.path(), FileVariant::kS3).loaded());
  const bool same = reloaded.Read([&](const CParamCatalogue& r) {
    return catalogue_.Read([&](const CParamCatalogue& c) {
      for (int g = 1; g < kGroupSlots; ++g) {
        if (!(r.groups[static_cast<std::size_t>(g)] == c.groups[static_cast<std::size_t>(g)])) return false;
      }
      return r.group_count == c.group_count && r.product == c.product;
    });
  });
  EXPECT_TRUE(same);
  reloaded.Write([](CParamCatalogue& c) { c.RebuildCommonGroup(); });
  const std::vector<std::string> common = reloaded.Read([](const CParamCatalogue& c) {
    std::vector<std::string> names;
    for (int i = 0; i < c.groups[0].count; ++i)
      names.push_back(c.groups[0].params[static_cast<std::size_t>(i)].name);
    return names;
  });
  const std::string_view expected[] = {"数据位"_gbk, "APN密码"_gbk, "注册包长度"_gbk, "注册包内容"_gbk};
  EXPECT_EQ(std::vector<std::string_view>(common.begin(), common.end()),
            std::vector<std::string_view>(std::begin(expected), std::end(expected)));
}

TEST_F(ShippedCatalogueMarks, DtuparamIniBesideItGetsEveryMarkToo) {
  const std::string profile_path = dir_.File("dtuparam.ini");
  ASSERT_TRUE(test::WriteFileBytes(profile_path, "[application]\r\nproduct=ZR-3100\r\n"));
  const CommonParamMarks marks =
      catalogue_.Read([](const CParamCatalogue& c) { return CollectCommonMarks(c); });
  const CommonMarksWrite written = WriteCommonMarks(dir_.path(), FileVariant::kS3, marks);
  EXPECT_EQ(written.profile, MarkWriteStatus::kWritten);
  EXPECT_EQ(written.catalogue, MarkWriteStatus::kUnchanged);
  const ProfileFile profile = ProfileFile::Load(profile_path);
  int written_keys = 0;
  for (int g = 1; g < kGroupSlots; ++g) {
    for (std::size_t j = 0; j < marks[static_cast<std::size_t>(g)].size(); ++j) {
      const auto value =
          profile.Get("group" + std::to_string(g) + "_parm" + std::to_string(j + 1), "is_common_param");
      ASSERT_TRUE(value.has_value());
      EXPECT_EQ(*value, marks[static_cast<std::size_t>(g)][j] ? "1" : "0");
      ++written_keys;
    }
  }
  EXPECT_GT(written_keys, 100);
  EXPECT_EQ(test::ReadFileBytes(CataloguePath(dir_.path(), FileVariant::kS3)), original_);
}

TEST(CommonMarksText, NamesTheCatalogueFileThatDidNotTakeTheMarks) {
  EXPECT_EQ(
      CommonMarksNotKeptText({MarkWriteStatus::kWritten, MarkWriteStatus::kWriteFailed}, FileVariant::kS2),
      "常用配置参数未能保存到dtuparam_s2.ini"_gbk);
  EXPECT_EQ(
      CommonMarksNotKeptText({MarkWriteStatus::kFileMissing, MarkWriteStatus::kUnsafe}, FileVariant::kS3),
      "常用配置参数未能保存到dtuparam_s3.ini"_gbk);
  EXPECT_EQ(
      CommonMarksNotKeptText({MarkWriteStatus::kWriteFailed, MarkWriteStatus::kUnchanged}, FileVariant::kS3),
      "");
  EXPECT_EQ(CommonMarksNotKeptText({MarkWriteStatus::kFileMissing, MarkWriteStatus::kFileMissing},
                                   FileVariant::kS3),
            "");
}

}  // namespace
}  // namespace zt
