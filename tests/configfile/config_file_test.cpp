// Export and import of configuration files over small catalogues built for
// each case: the path rule, the file's exact bytes, the checks of import.
#include "configfile/config_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "params/catalogue_builder.h"
#include "params/catalogue_loader.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using test::CatalogueBuilder;

std::string G(std::string_view gbk) { return std::string(gbk); }

// Two base groups (系统参数 with the version, 运行参数 with the mode), the
// SIN group of channel 1 and the MUL group of channel 2.
std::string SmallCatalogue() {
  CatalogueBuilder b;
  b.Line("[group]").Entry("count", "4");
  b.Group(1, "系统参数"_gbk, 2);
  b.Param(1, 1, "0x0101", "ASCSTR", "软件版本"_gbk, "SPSV").Entry("readonly", "1");
  b.Param(1, 2, "0x0102", "ASCSTR", "设备名称"_gbk, "DEVNAME").Entry("is_common_param", "1");
  b.Group(2, "运行参数"_gbk, 2);
  b.Param(2, 1, "0x0201", "ASCSTR", "心跳"_gbk, "HBDATA");
  b.Param(2, 2, "0x0202", "ASCSTR", "DTU通道运行模式"_gbk, "OPPRM");
  b.Group(3, "通道1参数(单通道)"_gbk, 1, 1, "0x01");
  b.Param(3, 1, "0x0301", "ASCSTR", "服务器地址"_gbk, "SVRADDR");
  b.Group(4, "通道2参数(多通道)"_gbk, 1, 2, "0x04");
  b.Param(4, 1, "0x0401", "ASCSTR", "服务器地址"_gbk, "SVRADDR");
  return b.text();
}

class ConfigFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string text = SmallCatalogue();
    catalogue_.Write([&](CParamCatalogue& c) {
      ASSERT_TRUE(test::LoadText(text, c).loaded());
      c.RebuildCommonGroup();
    });
    Set(1, 0, "V3.1.2");
    Set(1, 1, "ZR1");
    Set(2, 0, "AB CD");
    Set(2, 1, "SIN");
    Set(3, 0, "10.0.0.1");
    Set(4, 0, "10.0.0.4");
  }

  void Set(int g, int i, std::string_view value) {
    catalogue_.Write([&](CParamCatalogue& c) { c.Param(g, i)->value = std::string(value); });
  }
  std::string Value(int g, int i) const {
    return catalogue_.Read([&](const CParamCatalogue& c) { return c.Param(g, i)->value; });
  }
  std::vector<std::string> AllValues() const {
    return catalogue_.Read([](const CParamCatalogue& c) {
      std::vector<std::string> all;
      for (const ParamGroup& g : c.groups) {
        for (int i = 0; i < g.UsedCount(); ++i) all.push_back(g.params[i].value);
      }
      return all;
    });
  }

  test::TempDir dir_;
  SharedCatalogue catalogue_;
};

// ---- the path and the names ------------------------------------------------

TEST(ConfigFilePath, IniIsAppendedUnlessThePathHoldsItAnywhere) {
  const struct {
    const char* chosen;
    const char* written;
  } cases[] = {
      {"abc", "abc.ini"},
      {"abc.ini", "abc.ini"},
      {"x.ini.bak", "x.ini.bak"},
      {"x.INI", "x.INI.ini"},
      {"/tmp/dir.ini/name", "/tmp/dir.ini/name"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ExportPathFor(c.chosen), c.written) << c.chosen;
}

TEST(ConfigFilePath, DefaultNamesFollowTheGenerationAndTheFilterIsFixed) {
  EXPECT_EQ(DefaultConfigFileName(FileVariant::kS3), "config_s3");
  EXPECT_EQ(DefaultConfigFileName(FileVariant::kS2), "config_s2");
  EXPECT_EQ(ConfigFileFilter(), "配置文件(*.ini)|*.ini||"_gbk);
  EXPECT_EQ(ConfigFileCaption(), "提示"_gbk);
}

// ---- export ----------------------------------------------------------------

TEST_F(ConfigFileTest, ExportWritesTheGroupsOfTheModeInForceByteForByte) {
  const ConfigFileOutcome out = ExportConfigFile(catalogue_, dir_.File("a"), kModeSin);
  ASSERT_TRUE(out.ok) << out.message;
  EXPECT_EQ(test::ReadFileBytes(dir_.File("a.ini")),
            G("[系统参数]\r\n软件版本=V3.1.2\r\n设备名称=ZR1\r\n\r\n"
              "[运行参数]\r\n心跳=AB CD\r\nDTU通道运行模式=SIN\r\n\r\n"
              "[通道1参数(单通道)]\r\n服务器地址=10.0.0.1\r\n"_gbk));
}

TEST_F(ConfigFileTest, ExportOfAnotherModeTakesThatModesChannelGroups) {
  ASSERT_TRUE(ExportConfigFile(catalogue_, dir_.File("m.ini"), kModeMul).ok);
  const std::string text = test::ReadFileBytes(dir_.File("m.ini"));
  EXPECT_NE(text.find(G("[通道2参数(多通道)]\r\n服务器地址=10.0.0.4\r\n"_gbk)), std::string::npos);
  EXPECT_EQ(text.find(G("单通道"_gbk)), std::string::npos);
}

TEST_F(ConfigFileTest, ExportTakesAnyChannelGroupWhoseChannelTheModeHas) {
  // Channel 1 exists in SIN, so a MUL group bound to channel 1 goes out too.
  catalogue_.Write([](CParamCatalogue& c) { c.groups[4].chn = 1; });
  ASSERT_TRUE(ExportConfigFile(catalogue_, dir_.File("c1.ini"), kModeSin).ok);
  EXPECT_NE(test::ReadFileBytes(dir_.File("c1.ini")).find(G("[通道2参数(多通道)]"_gbk)), std::string::npos);
}

TEST_F(ConfigFileTest, ExportLogsThePathWithSlashesInGbk) {
  const std::string path = dir_.File("配置\\一.ini");
  const ConfigFileOutcome out = ExportConfigFile(catalogue_, path, kModeSin);
  ASSERT_TRUE(out.ok);
  EXPECT_TRUE(out.message.empty());
  EXPECT_EQ(out.log_line, G("导出参数到配置文件成功, 文件路径是:"_gbk) + dir_.path() + G("/配置/一.ini\r\n"_gbk));
  // The file itself keeps the name that was chosen.
  EXPECT_FALSE(test::ReadFileBytes(path).empty());
}

TEST_F(ConfigFileTest, ExportReplacesAnExistingFile) {
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("old.ini"), "[other]\r\nkey=1\r\n"));
  ASSERT_TRUE(ExportConfigFile(catalogue_, dir_.File("old.ini"), kModeSin).ok);
  EXPECT_EQ(test::ReadFileBytes(dir_.File("old.ini")).find("other"), std::string::npos);
}

TEST_F(ConfigFileTest, ExportQuotesValuesThatWouldNotReadBack) {
  Set(1, 1, " padded ");
  Set(2, 0, "\"in quotes\"");
  ASSERT_TRUE(ExportConfigFile(catalogue_, dir_.File("q.ini"), kModeSin).ok);
  const std::string text = test::ReadFileBytes(dir_.File("q.ini"));
  EXPECT_NE(text.find(G("设备名称=\" padded \"\r\n"_gbk)), std::string::npos);
  EXPECT_NE(text.find(G("心跳=\"\"in quotes\"\"\r\n"_gbk)), std::string::npos);
}

TEST_F(ConfigFileTest, ExportCutsAValueAtALineEndSoNoLineIsInjected) {
  Set(1, 1, "ZR1\r\n[运行参数]\r\n心跳=FF"_gbk);
  ASSERT_TRUE(ExportConfigFile(catalogue_, dir_.File("n.ini"), kModeSin).ok);
  const std::string text = test::ReadFileBytes(dir_.File("n.ini"));
  EXPECT_NE(text.find(G("设备名称=ZR1\r\n\r\n[运行参数]\r\n心跳=AB CD\r\n"_gbk)), std::string::npos);
  EXPECT_EQ(text.find("FF"), std::string::npos);
}

TEST_F(ConfigFileTest, ExportOfTwoGroupsWithOneNameSharesTheirSection) {
  catalogue_.Write([](CParamCatalogue& c) {
    c.groups[4].name = c.groups[3].name;
    c.groups[3].chn = c.groups[4].chn = -1;
  });
  ASSERT_TRUE(ExportConfigFile(catalogue_, dir_.File("d.ini"), kModeSin).ok);
  const std::string text = test::ReadFileBytes(dir_.File("d.ini"));
  // The later parameter of the same name overwrote the earlier entry.
  EXPECT_NE(text.find(G("[通道1参数(单通道)]\r\n服务器地址=10.0.0.4\r\n"_gbk)), std::string::npos);
  EXPECT_EQ(text.find("10.0.0.1"), std::string::npos);
}

TEST_F(ConfigFileTest, ExportToAFolderThatDoesNotExistCannotOpenTheFile) {
  const ConfigFileOutcome out = ExportConfigFile(catalogue_, dir_.File("none/a.ini"), kModeSin);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.message, G("打开保存参数配置文件失败"_gbk));
  EXPECT_TRUE(out.log_line.empty());
}

TEST_F(ConfigFileTest, AnExportThatCannotBeWrittenLeavesTheOldFileByteForByte) {
  const std::string old_text = "[other]\r\nkey=1\r\n";
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("old.ini"), old_text));
  // A file-size limit makes the write fail half-way, as a full disk does, for
  // root as for anyone.
  const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit previous{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
  rlimit small = previous;
  small.rlim_cur = 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const ConfigFileOutcome onto_old = ExportConfigFile(catalogue_, dir_.File("old.ini"), kModeSin);
  const ConfigFileOutcome onto_new = ExportConfigFile(catalogue_, dir_.File("new.ini"), kModeSin);
  setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, previous_handler);
  for (const ConfigFileOutcome& out : {onto_old, onto_new}) {
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, G("写参数配置文件失败"_gbk));
  }
  EXPECT_EQ(test::ReadFileBytes(dir_.File("old.ini")), old_text);
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir_.path())) names.push_back(e.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"old.ini"});  // no new file, no temporary
}

TEST_F(ConfigFileTest, AnExportWhereTheFolderTakesNoNewFileLeavesTheOldFile) {
  // The old file may be written, but the folder takes no file beside it: the
  // child process runs as nobody (or, without root, with the folder read-only).
  const std::string folder = dir_.File("locked");
  const std::string path = folder + "/old.ini";
  ASSERT_EQ(::chmod(dir_.path().c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  ASSERT_TRUE(test::WriteFileBytes(path, "[other]\r\nkey=1\r\n"));
  ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const bool confined = ::geteuid() == 0 ? ::setuid(65534) == 0 : ::chmod(folder.c_str(), 0555) == 0;
    if (!confined) ::_exit(3);
    const ConfigFileOutcome out = ExportConfigFile(catalogue_, path, kModeSin);
    ::_exit(out.ok ? 0 : out.message == G("打开保存参数配置文件失败"_gbk) ? 1 : 2);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ::chmod(folder.c_str(), 0755);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(test::ReadFileBytes(path), "[other]\r\nkey=1\r\n");
}

TEST_F(ConfigFileTest, AnExportThroughALinkReplacesTheFileItNamesAndKeepsTheLink) {
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("real.ini"), "[other]\r\nkey=1\r\n"));
  ASSERT_EQ(::symlink("real.ini", dir_.File("link.ini").c_str()), 0);
  const ConfigFileOutcome out = ExportConfigFile(catalogue_, dir_.File("link.ini"), kModeSin);
  ASSERT_TRUE(out.ok) << out.message;
  EXPECT_TRUE(std::filesystem::is_symlink(dir_.File("link.ini")));
  const std::string written = test::ReadFileBytes(dir_.File("real.ini"));
  EXPECT_NE(written.find(G("设备名称=ZR1\r\n"_gbk)), std::string::npos) << written;

  // A link that leads nowhere makes no file appear where it points.
  ASSERT_EQ(::symlink("nowhere.ini", dir_.File("dangling.ini").c_str()), 0);
  const ConfigFileOutcome dangling = ExportConfigFile(catalogue_, dir_.File("dangling.ini"), kModeSin);
  EXPECT_EQ(dangling.message, G("打开保存参数配置文件失败"_gbk));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("nowhere.ini")));
}

TEST_F(ConfigFileTest, AnExportWithoutACatalogueFailsAndTouchesNoFile) {
  SharedCatalogue empty;
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("old.ini"), "[other]\r\nkey=1\r\n"));
  for (const char* name : {"old.ini", "new.ini"}) {
    const ConfigFileOutcome out = ExportConfigFile(empty, dir_.File(name), kModeSin);
    EXPECT_FALSE(out.ok) << name;
    EXPECT_EQ(out.message, G("没有可导出的参数"_gbk)) << name;
    EXPECT_TRUE(out.log_line.empty()) << name;
  }
  EXPECT_EQ(test::ReadFileBytes(dir_.File("old.ini")), "[other]\r\nkey=1\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir_.File("new.ini")));
}

// ---- import ----------------------------------------------------------------

TEST_F(ConfigFileTest, ImportLoadsEveryGroupAndLogsTheFileName) {
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("in.ini"),
                                   G("[系统参数]\r\n软件版本=V3.0.0\r\n设备名称=NEW\r\n"
                                     "[运行参数]\r\n心跳=0A 1b\r\nDTU通道运行模式=SIN\r\n"
                                     "[通道1参数(单通道)]\r\n服务器地址=1.2.3.4\r\n"
                                     "[通道2参数(多通道)]\r\n服务器地址=5.6.7.8\r\n"_gbk)));
  const ConfigFileOutcome out = ImportConfigFile(catalogue_, dir_.File("in.ini"), FileVariant::kS3, kModeSin, -1);
  ASSERT_TRUE(out.ok) << out.message;
  EXPECT_EQ(out.log_line, G("导入参数配置文件成功, 文件名:"_gbk) + dir_.File("in.ini") + "\r\n");
  EXPECT_EQ(Value(1, 0), "V3.0.0");  // read-only parameters are overwritten too
  EXPECT_EQ(Value(1, 1), "NEW");
  EXPECT_EQ(Value(2, 0), "0A 1b");
  EXPECT_EQ(Value(3, 0), "1.2.3.4");
  EXPECT_EQ(Value(4, 0), "5.6.7.8");  // a channel group of another mode is read as well
}

TEST_F(ConfigFileTest, ImportGivesTheCommonCopyTheSameValue) {
  ASSERT_EQ(catalogue_.Read([](const CParamCatalogue& c) { return c.groups[0].count; }), 1);
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("c.ini"), G("[系统参数]\r\n设备名称=COMMON\r\n"
                                                         "[运行参数]\r\nDTU通道运行模式=SIN\r\n"_gbk)));
  ASSERT_TRUE(ImportConfigFile(catalogue_, dir_.File("c.ini"), FileVariant::kS3, kModeSin, -1).ok);
  EXPECT_EQ(Value(0, 0), "COMMON");
}

TEST_F(ConfigFileTest, ImportClearsTheValuesTheFileDoesNotHold) {
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("e.ini"), G("[运行参数]\r\nDTU通道运行模式=SIN\r\n"_gbk)));
  ASSERT_TRUE(ImportConfigFile(catalogue_, dir_.File("e.ini"), FileVariant::kS3, kModeSin, -1).ok);
  EXPECT_EQ(Value(1, 1), "");
  EXPECT_EQ(Value(3, 0), "");
  EXPECT_EQ(Value(2, 1), "SIN");
}

TEST_F(ConfigFileTest, ImportNamesTheEntriesTheFileLacksAndCountsThoseOfTheMode) {
  // 设备名称 and 心跳 are missing; 服务器地址 of channel 2 too, but a SIN export
  // does not write that group. An entry with an empty value is not missing.
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("half.ini"), G("[系统参数]\r\n软件版本=V3.0.0\r\n"
                                                            "[运行参数]\r\nDTU通道运行模式=SIN\r\n"
                                                            "[通道1参数(单通道)]\r\n服务器地址=\r\n"_gbk)));
  const ConfigFileOutcome out =
      ImportConfigFile(catalogue_, dir_.File("half.ini"), FileVariant::kS3, kModeSin, -1);
  ASSERT_TRUE(out.ok) << out.message;
  std::vector<std::string> absent;
  for (const ConfigFileSlot& s : out.absent)
    absent.push_back(Format("%d.%d %s/%s", s.group, s.index, s.section, s.key));
  EXPECT_EQ(absent, (std::vector<std::string>{G("1.1 系统参数/设备名称"_gbk), G("2.0 运行参数/心跳"_gbk),
                                              G("4.0 通道2参数(多通道)/服务器地址"_gbk)}));
  EXPECT_EQ(out.absent_log_line, G("配置文件中缺少 2 项参数, 其值已清空\r\n"_gbk));
  EXPECT_EQ(Value(3, 0), "");  // present and empty: imported as empty

  // A whole export of the mode lacks nothing that counts.
  ASSERT_TRUE(ExportConfigFile(catalogue_, dir_.File("whole"), kModeSin).ok);
  const ConfigFileOutcome whole =
      ImportConfigFile(catalogue_, dir_.File("whole.ini"), FileVariant::kS3, kModeSin, -1);
  ASSERT_TRUE(whole.ok);
  EXPECT_EQ(whole.absent.size(), 1u);  // the MUL group only
  EXPECT_EQ(whole.absent_log_line, "");
}

TEST_F(ConfigFileTest, ImportRefusesAValueHoldingAControlByteAndStoresNothing) {
  const std::vector<std::string> before = AllValues();
  for (const std::string& value : {std::string("CMIOT\0,AT+RESET", 16), std::string("a\x1B[2Jb"),
                                   std::string("a\tb"), std::string("x\x7F")}) {
    ASSERT_TRUE(test::WriteFileBytes(dir_.File("ctl.ini"),
                                     G("[运行参数]\r\nDTU通道运行模式=SIN\r\n心跳="_gbk) + value + "\r\n"));
    const ConfigFileOutcome out =
        ImportConfigFile(catalogue_, dir_.File("ctl.ini"), FileVariant::kS3, kModeSin, -1);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, G("配置文件中 [运行参数] 心跳 的值含有控制字符, 文件未导入"_gbk));
    EXPECT_EQ(AllValues(), before);
  }
}

TEST_F(ConfigFileTest, ImportFindsSectionsAndKeysWhateverTheirLetterCase) {
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("k.ini"), G("[运行参数]\r\ndtu通道运行模式=SIN\r\n"_gbk)));
  ASSERT_TRUE(ImportConfigFile(catalogue_, dir_.File("k.ini"), FileVariant::kS3, kModeSin, -1).ok);
}

TEST_F(ConfigFileTest, ImportWithoutAPathIsRefused) {
  const std::vector<std::string> before = AllValues();
  const ConfigFileOutcome out = ImportConfigFile(catalogue_, "", FileVariant::kS3, kModeSin, 1);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.message, G("请选择参数配置文件"_gbk));
  EXPECT_TRUE(out.value_column.empty());
  EXPECT_EQ(AllValues(), before);
}

TEST_F(ConfigFileTest, ImportOfAFileThatCannotBeReadSaysSoAndStoresNothing) {
  const std::vector<std::string> before = AllValues();
  ASSERT_EQ(::mkdir(dir_.File("folder.ini").c_str(), 0700), 0);
  for (const char* name : {"missing.ini", "folder.ini"}) {
    const ConfigFileOutcome out = ImportConfigFile(catalogue_, dir_.File(name), FileVariant::kS3, kModeSin, 1);
    EXPECT_FALSE(out.ok) << name;
    EXPECT_EQ(out.message, G("无法读取参数配置文件"_gbk)) << name;
  }
  EXPECT_EQ(AllValues(), before);
}

TEST_F(ConfigFileTest, ImportOfAnotherGenerationIsRefusedAndStoresNothing) {
  const std::vector<std::string> before = AllValues();
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("s2.ini"), G("[系统参数]\r\n软件版本=V2.6.1\r\n设备名称=X\r\n"
                                                          "[运行参数]\r\nDTU通道运行模式=SIN\r\n"_gbk)));
  ConfigFileOutcome out = ImportConfigFile(catalogue_, dir_.File("s2.ini"), FileVariant::kS3, kModeSin, -1);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.message, G("导入的配置 与当前程序版本 不匹配"_gbk));
  EXPECT_EQ(AllValues(), before);

  ASSERT_TRUE(test::WriteFileBytes(dir_.File("s3.ini"), G("[系统参数]\r\n软件版本=V3.2.7\r\n"_gbk)));
  out = ImportConfigFile(catalogue_, dir_.File("s3.ini"), FileVariant::kS2, kModeSin, -1);
  EXPECT_EQ(out.message, G("导入的配置 与当前程序版本 不匹配"_gbk));
  EXPECT_EQ(AllValues(), before);
}

TEST_F(ConfigFileTest, ImportOnS3WithoutAModeEntryIsRefused) {
  const std::vector<std::string> before = AllValues();
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("nm.ini"), G("[系统参数]\r\n设备名称=X\r\n"_gbk)));
  const ConfigFileOutcome out = ImportConfigFile(catalogue_, dir_.File("nm.ini"), FileVariant::kS3, kModeSin, -1);
  EXPECT_EQ(out.message, G("即将导入的文件中 DTU通道运行模式 与当前通道模式 不匹配"_gbk));
  EXPECT_EQ(AllValues(), before);
}

TEST_F(ConfigFileTest, ImportOnS3OfAnotherModeIsRefusedCaseSensitively) {
  const std::vector<std::string> before = AllValues();
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("mm.ini"), G("[运行参数]\r\nDTU通道运行模式=sin\r\n"_gbk)));
  ConfigFileOutcome out = ImportConfigFile(catalogue_, dir_.File("mm.ini"), FileVariant::kS3, kModeSin, -1);
  EXPECT_EQ(out.message, G("即将导入的文件中 DTU通道运行模式 与当前通道模式不匹配"_gbk));
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("mul.ini"), G("[运行参数]\r\nDTU通道运行模式=MUL\r\n"_gbk)));
  out = ImportConfigFile(catalogue_, dir_.File("mul.ini"), FileVariant::kS3, kModeSin, -1);
  EXPECT_EQ(out.message, G("即将导入的文件中 DTU通道运行模式 与当前通道模式不匹配"_gbk));
  EXPECT_EQ(AllValues(), before);
}

TEST_F(ConfigFileTest, ImportWithoutTheVersionSectionCountsAsS3) {
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("nv.ini"), G("[运行参数]\r\nDTU通道运行模式=SIN\r\n"_gbk)));
  EXPECT_TRUE(ImportConfigFile(catalogue_, dir_.File("nv.ini"), FileVariant::kS3, kModeSin, -1).ok);
  EXPECT_EQ(ImportConfigFile(catalogue_, dir_.File("nv.ini"), FileVariant::kS2, kModeSin, -1).message,
            G("导入的配置 与当前程序版本 不匹配"_gbk));
}

TEST_F(ConfigFileTest, ImportOnS2DoesNotLookAtTheModeEntry) {
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("s2m.ini"), G("[系统参数]\r\n软件版本=V2.1.5\r\n设备名称=S2\r\n"_gbk)));
  ASSERT_TRUE(ImportConfigFile(catalogue_, dir_.File("s2m.ini"), FileVariant::kS2, kModeMulb, -1).ok);
  EXPECT_EQ(Value(1, 1), "S2");
}

TEST_F(ConfigFileTest, ImportReturnsTheValueColumnOfTheGroupShownWithPasswordsMasked) {
  catalogue_.Write([](CParamCatalogue& c) { c.Param(1, 1)->is_password = true; });
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("p.ini"), G("[系统参数]\r\n软件版本=V3.1\r\n设备名称=密码\r\n"
                                                         "[运行参数]\r\nDTU通道运行模式=SIN\r\n"_gbk)));
  const ConfigFileOutcome out = ImportConfigFile(catalogue_, dir_.File("p.ini"), FileVariant::kS3, kModeSin, 1);
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.value_column, (std::vector<std::string>{"V3.1", "****"}));
  EXPECT_EQ(Value(1, 1), G("密码"_gbk));
}

TEST_F(ConfigFileTest, ImportReadsAValueUpTo511Bytes) {
  const std::string long_value(600, 'x');
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("l.ini"), G("[系统参数]\r\n设备名称="_gbk) + long_value +
                                                           G("\r\n[运行参数]\r\nDTU通道运行模式=SIN\r\n"_gbk)));
  ASSERT_TRUE(ImportConfigFile(catalogue_, dir_.File("l.ini"), FileVariant::kS3, kModeSin, -1).ok);
  EXPECT_EQ(Value(1, 1), std::string(511, 'x'));
}

TEST_F(ConfigFileTest, ImportOfTwoGroupsWithOneNameGivesBothTheOneValue) {
  catalogue_.Write([](CParamCatalogue& c) { c.groups[4].name = c.groups[3].name; });
  ASSERT_TRUE(test::WriteFileBytes(dir_.File("t.ini"), G("[运行参数]\r\nDTU通道运行模式=SIN\r\n"
                                                         "[通道1参数(单通道)]\r\n服务器地址=9.9.9.9\r\n"_gbk)));
  ASSERT_TRUE(ImportConfigFile(catalogue_, dir_.File("t.ini"), FileVariant::kS3, kModeSin, -1).ok);
  EXPECT_EQ(Value(3, 0), "9.9.9.9");
  EXPECT_EQ(Value(4, 0), "9.9.9.9");
}

TEST(ConfigFileValueColumn, OneTextPerSlotAndNothingOutsideTheTable) {
  CParamCatalogue c;
  c.groups[2].name = "g";
  c.groups[2].count = 2;
  c.groups[2].params[0].value = "a";
  c.groups[2].params[1].value = "secret";
  c.groups[2].params[1].is_password = true;
  EXPECT_EQ(ValueColumn(c, 2), (std::vector<std::string>{"a", "******"}));
  EXPECT_TRUE(ValueColumn(c, -1).empty());
  EXPECT_TRUE(ValueColumn(c, 30).empty());
}

}  // namespace
}  // namespace zt
