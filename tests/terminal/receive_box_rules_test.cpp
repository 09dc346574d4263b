#include "terminal/receive_box_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"
#include "text/gbk_literal.h"

namespace zt {
namespace {

using namespace zt::literals;
using namespace std::string_literals;

TEST(ReceiveBox, IsEmptiedBeforeAnAppendOnceItHolds500Lines) {
  EXPECT_FALSE(ClearsBeforeAppend(1));
  EXPECT_FALSE(ClearsBeforeAppend(499));
  EXPECT_TRUE(ClearsBeforeAppend(500));
  EXPECT_TRUE(ClearsBeforeAppend(12000));
}

TEST(ReceiveBox, ALineWithoutEndShowsInPiecesOf1024Bytes) {
  std::size_t column = 0;
  EXPECT_EQ(BreakLongLines(std::string(1024, 'a'), column), std::string(1024, 'a'));
  EXPECT_EQ(column, 1024u);
  EXPECT_EQ(BreakLongLines("bc", column), "\nbc");
  EXPECT_EQ(column, 2u);
  // Line ends start a new line.
  column = 1000;
  EXPECT_EQ(BreakLongLines("x\r\n" + std::string(30, 'y'), column), "x\r\n" + std::string(30, 'y'));
  EXPECT_EQ(column, 30u);
}

TEST(ReceiveBox, APieceNeverEndsInsideAGbkCharacter) {
  std::size_t column = 1023;
  const std::string zhong("中"_gbk);
  EXPECT_EQ(BreakLongLines(zhong + "a", column), "\n" + zhong + "a");
  EXPECT_EQ(column, 3u);
  column = 1022;
  EXPECT_EQ(BreakLongLines(zhong + "a", column), zhong + "\na");
}

TEST(ReceiveBox, ABlockEndsAtItsFirstZeroByte) {
  EXPECT_EQ(TextBeforeZero("OK\r\n"), "OK\r\n");
  EXPECT_EQ(TextBeforeZero("AB\0CD\0"s), "AB");
  EXPECT_EQ(TextBeforeZero("\0AB"s), "");
}

TEST(ReceiveBox, AGbkCharacterSplitBetweenReadsIsHeldBackWhole) {
  const std::string text("中文"_gbk);  // two double-byte characters
  EXPECT_EQ(CompleteGbkLength(text), 4u);
  EXPECT_EQ(CompleteGbkLength(text.substr(0, 3)), 2u);
  EXPECT_EQ(CompleteGbkLength("OK" + text.substr(0, 1)), 2u);
  // Bytes that start no character are never held.
  EXPECT_EQ(CompleteGbkLength("\x80\xFF"), 2u);
  // A lead byte followed by anything is a unit, valid or not.
  EXPECT_EQ(CompleteGbkLength("\xB0\x0D\xB0"), 2u);
}

TEST(SaveRules, TxtIsAppendedUnlessThePathHoldsItAnywhere) {
  EXPECT_EQ(WithTxtExtension("log"), "log.txt");
  EXPECT_EQ(WithTxtExtension("log.txt.bak"), "log.txt.bak");
  EXPECT_EQ(WithTxtExtension("/tmp/a.txt"), "/tmp/a.txt");
  EXPECT_EQ(WithTxtExtension("/tmp/a.TXT"), "/tmp/a.TXT.txt");
}

TEST(SaveRules, TheRunLogLineShowsThePathWithForwardSlashes) {
  EXPECT_EQ(SaveLogLine("C:\\work\\Debug.txt"), "保存调试信息成功, 保存的路径是:C:/work/Debug.txt\r\n"_gbk);
  EXPECT_EQ(SaveLogLine("/tmp/Debug.txt"), "保存调试信息成功, 保存的路径是:/tmp/Debug.txt\r\n"_gbk);
}

TEST(SaveRules, ABackslashThatIsTheSecondByteOfAGbkCharacterStays) {
  // 0x81 0x5C is one GBK character whose second byte is the code of "\".
  const std::string path = "C:\\\x81\x5C\\a.txt";
  EXPECT_EQ(SaveLogLine(path), std::string("保存调试信息成功, 保存的路径是:"_gbk) + "C:/\x81\x5C/a.txt\r\n");
}

TEST(SaveRules, TheFileHoldsTheBytesExactly) {
  test::TempDir dir;
  const std::string bytes = "OK\r\n"s + std::string("中文"_gbk) + "\x80\xFF\r\n";
  ASSERT_TRUE(WriteReceivedFile(dir.File("a.txt"), bytes));
  EXPECT_EQ(test::ReadFileBytes(dir.File("a.txt")), bytes);
  // An old file is replaced.
  ASSERT_TRUE(WriteReceivedFile(dir.File("a.txt"), "x"));
  EXPECT_EQ(test::ReadFileBytes(dir.File("a.txt")), "x");
}

TEST(SaveRules, AFileThatCannotBeCreatedFails) {
  test::TempDir dir;
  EXPECT_FALSE(WriteReceivedFile(dir.File("no/such/folder.txt"), "x"));
}

}  // namespace
}  // namespace zt
