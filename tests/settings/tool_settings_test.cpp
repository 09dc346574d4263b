#include "settings/tool_settings.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "text/profile_file.h"

namespace zt {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

class ToolSettingsTest : public ::testing::Test {
 protected:
  ToolSettings ReadWith(std::string_view file_text) {
    WriteFileBytes(path_, file_text);
    ResetToolSettings(store_, path_);
    ReadToolSettings(store_);
    return store_.Get();
  }

  TempDir dir_;
  std::string path_ = dir_.File("tool_set.ini");
  ToolSettingsStore store_;
};

TEST_F(ToolSettingsTest, WithoutAFileTheBuiltInDefaultsStay) {
  ResetToolSettings(store_, path_);
  ReadToolSettings(store_);
  const ToolSettings s = store_.Get();
  EXPECT_EQ(s.port_name, "COM1");
  EXPECT_EQ(s.baud, 57600u);
  EXPECT_EQ(s.connect_timeout, 15);
  EXPECT_EQ(s.password, "pilot");
  EXPECT_EQ(s.data_bits, 8);
  EXPECT_EQ(s.stop_bits, 1);
  EXPECT_EQ(s.parity, 0);
  EXPECT_EQ(s.flow_control, 0);
  EXPECT_EQ(s.settings_path, path_);
}

TEST_F(ToolSettingsTest, ReadsEveryKeyOfSectionSet) {
  const ToolSettings s = ReadWith("[SET]\r\nCOM=/dev/ttyUSB0\r\nBAUD=115200\r\nCONN_TIMEVAL=30\r\n"
                                  "LOGIN_PWD=" + ScramblePassword("abc") + "\r\n");
  EXPECT_EQ(s.port_name, "/dev/ttyUSB0");
  EXPECT_EQ(s.baud, 115200u);
  EXPECT_EQ(s.connect_timeout, 30);
  EXPECT_EQ(s.password, "abc");  // three characters replace the five of the default
}

TEST_F(ToolSettingsTest, UnusableValuesLeaveTheDefaults) {
  const ToolSettings s = ReadWith("[SET]\r\nCOM=\r\nCONN_TIMEVAL=abc\r\nLOGIN_PWD=" +
                                  ScramblePassword("1234567") + "\r\n");
  EXPECT_EQ(s.port_name, "COM1");
  EXPECT_EQ(s.baud, 57600u);         // BAUD missing
  EXPECT_EQ(s.connect_timeout, 0);   // letters only read as 0
  EXPECT_EQ(s.password, "pilot");    // seven bytes are ignored
}

TEST_F(ToolSettingsTest, ALongerPortNameThanAnyDevicePathIsIgnored) {
  const ToolSettings s = ReadWith("[SET]\r\nCOM=/dev/" + std::string(300, 'x') + "\r\n");
  EXPECT_EQ(s.port_name, "COM1");
}

TEST_F(ToolSettingsTest, ScramblingFlipsTheTopBitBothWays) {
  EXPECT_EQ(ScramblePassword("pilot"), "\xF0\xE9\xEC\xEF\xF4");
  EXPECT_EQ(ScramblePassword(ScramblePassword("\xB5\xC7z")), "\xB5\xC7z");
}

TEST_F(ToolSettingsTest, TheDialogWritesItsKeysInOrderAndTheyReadBack) {
  WriteFileBytes(path_, "[TEST]\r\nPRODUCT=0\r\n");
  WriteConnectionSettings(path_, "COM3", 20, "secret", 9600);
  EXPECT_EQ(ReadFileBytes(path_),
            "[TEST]\r\nPRODUCT=0\r\n\r\n[SET]\r\nCOM=COM3\r\nCONN_TIMEVAL=20\r\nLOGIN_PWD=" +
                ScramblePassword("secret") + "\r\nBAUD=9600\r\n");
  ResetToolSettings(store_, path_);
  ReadToolSettings(store_);
  EXPECT_EQ(store_.Get().password, "secret");
  EXPECT_EQ(store_.Get().baud, 9600u);
}

TEST_F(ToolSettingsTest, AnEmptyPasswordIsStoredEmptyAndIgnoredOnReading) {
  WriteConnectionSettings(path_, "COM2", 15, "", 57600);
  EXPECT_EQ(ProfileReadString(path_, "SET", "LOGIN_PWD", "absent"), "");
  ResetToolSettings(store_, path_);
  ReadToolSettings(store_);
  EXPECT_EQ(store_.Get().password, "pilot");
}

TEST(SettingsPath, IsBesideTheProgram) {
  EXPECT_EQ(SettingsPathFor("/opt/zereltool/bin/zereltool"), "/opt/zereltool/bin/tool_set.ini");
  EXPECT_EQ(SettingsPathFor("zereltool"), "tool_set.ini");
}

}  // namespace
}  // namespace zt
