#include "settings/window_state.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace zt {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

class WindowStateFile : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string path_ = dir_.File("tool_set.ini");
};

TEST_F(WindowStateFile, WrittenStateReadsBackAndLeavesTheOtherSectionsAlone) {
  const std::string before = "[SET]\r\nCOM=/dev/ttyUSB0\r\n[TEST]\r\nPRODUCT=1\r\n";
  ASSERT_TRUE(WriteFileBytes(path_, before));
  WindowState state;
  state.geometry = ScreenRect{-1200, 40, 1000, 720};
  state.run_log_height = 180;
  state.page = 132;
  ASSERT_TRUE(WriteWindowState(path_, state));
  EXPECT_EQ(ReadFileBytes(path_), before +
                                      "\r\n[WINDOW]\r\nX=-1200\r\nY=40\r\nWIDTH=1000\r\nHEIGHT=720\r\n"
                                      "RUN_LOG_HEIGHT=180\r\nPAGE=132\r\n");
  const WindowState read = ReadWindowState(path_);
  EXPECT_EQ(read.geometry, state.geometry);
  EXPECT_EQ(read.run_log_height, std::optional<int>(180));
  EXPECT_EQ(read.page, std::optional<int>(132));
}

TEST_F(WindowStateFile, UnusableKeysLeaveTheirPartOut) {
  struct Case {
    const char* text;
    bool geometry;
    std::optional<int> run_log;
    std::optional<int> page;
  };
  const Case cases[] = {
      {"", false, std::nullopt, std::nullopt},
      {"[WINDOW]\r\nX=1\r\nY=2\r\nWIDTH=900\r\nHEIGHT=700\r\n", true, std::nullopt, std::nullopt},
      {"[WINDOW]\r\nX=1\r\nWIDTH=900\r\nHEIGHT=700\r\n", false, std::nullopt, std::nullopt},       // no Y
      {"[WINDOW]\r\nX=1\r\nY=2\r\nWIDTH=0\r\nHEIGHT=700\r\n", false, std::nullopt, std::nullopt},  // no size
      {"[WINDOW]\r\nX=1a\r\nY=2\r\nWIDTH=900\r\nHEIGHT=700\r\n", false, std::nullopt, std::nullopt},
      {"[WINDOW]\r\nRUN_LOG_HEIGHT=-5\r\nPAGE=abc\r\n", false, std::nullopt, std::nullopt},
      {"[window]\r\nrun_log_height=90\r\npage=131\r\n", false, 90, 131},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteFileBytes(path_, c.text));
    const WindowState state = ReadWindowState(path_);
    EXPECT_EQ(state.geometry.has_value(), c.geometry) << c.text;
    EXPECT_EQ(state.run_log_height, c.run_log) << c.text;
    EXPECT_EQ(state.page, c.page) << c.text;
  }
}

TEST_F(WindowStateFile, TheSoundIsOnUnlessTheFileSaysZero) {
  EXPECT_TRUE(ReadVerdictSound(path_));
  ASSERT_TRUE(WriteVerdictSound(path_, false));
  EXPECT_FALSE(ReadVerdictSound(path_));
  EXPECT_EQ(ReadFileBytes(path_), "[WINDOW]\r\nVERDICT_SOUND=0\r\n");
  ASSERT_TRUE(WriteVerdictSound(path_, true));
  EXPECT_TRUE(ReadVerdictSound(path_));
  // Writing the window's place keeps the sound's key.
  WindowState state;
  state.page = 101;
  ASSERT_TRUE(WriteWindowState(path_, state));
  EXPECT_EQ(ReadFileBytes(path_), "[WINDOW]\r\nVERDICT_SOUND=1\r\nPAGE=101\r\n");
}

TEST_F(WindowStateFile, AFileThatCannotBeReadIsNotReplaced) {
  // A folder where the file should be: the write fails and changes nothing.
  const std::string folder = dir_.File("folder.ini");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  WindowState state;
  state.page = 101;
  EXPECT_FALSE(WriteWindowState(folder, state));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST(PlaceOnScreens, AWindowOnSomeScreenStaysAndOneOffEveryScreenMovesOntoThePrimary) {
  const ScreenRect primary{0, 0, 1920, 1040};
  const ScreenRect left{-1280, 0, 1280, 1000};  // a second monitor left of the primary
  struct Case {
    const char* what;
    ScreenRect saved;
    std::vector<ScreenRect> screens;
    ScreenRect expected;
  };
  const Case cases[] = {
      {"on the primary", {60, 5, 920, 690}, {primary, left}, {60, 5, 920, 690}},
      {"on the second monitor", {-1200, 100, 920, 690}, {primary, left}, {-1200, 100, 920, 690}},
      {"mostly off, its title bar still grabbable", {1700, 900, 920, 690}, {primary}, {1700, 900, 920, 690}},
      {"the second monitor removed", {-1200, 100, 920, 690}, {primary}, {500, 175, 920, 690}},
      {"title bar above the screen", {100, -300, 920, 690}, {primary}, {500, 175, 920, 690}},
      {"only a sliver at the right edge", {1900, 100, 920, 690}, {primary}, {500, 175, 920, 690}},
      {"far away, larger than the primary", {5000, 5000, 2500, 1200}, {primary}, {0, 0, 1920, 1040}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PlaceOnScreens(c.saved, c.screens, primary), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace zt
