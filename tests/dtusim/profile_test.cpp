// Device profiles, saved state, and the shipped profiles.
#include "dtusim/profile.h"

#include <gtest/gtest.h>

#include "dtusim/device_state.h"
#include "dtusim/section_text.h"
#include "sim_unit.h"
#include "support/temp_dir.h"

namespace zt::dtusim::test {
namespace {

using zt::test::ReadFileBytes;
using zt::test::TempDir;
using zt::test::WriteFileBytes;

std::string ParseError(std::string_view text) {
  DeviceProfile p;
  std::string error;
  EXPECT_FALSE(ParseDeviceProfile(text, &p, &error));
  return error;
}

TEST(Profile, ReadsTheDeviceIdentityAndBehaviour) {
  const DeviceProfile p = ProfileFrom(kS3Profile);
  EXPECT_EQ(p.generation, Generation::kS3);
  EXPECT_EQ(p.version, "3.1.2");
  EXPECT_EQ(p.password, "pilot");
  EXPECT_EQ(p.initial.product_number, "P0001");
  EXPECT_EQ(p.initial.imei, "860000000000001");
  EXPECT_EQ(p.initial.mode, "SIN");
  EXPECT_EQ(p.manufacturer, "ZEREL");
  EXPECT_EQ(p.ready, "UNIT READY");
  EXPECT_EQ(p.csq, 23);
  EXPECT_EQ(p.hex_prefix.count("HBDATA"), 1u);
}

TEST(Profile, KeepsBaseLinesAndChannelBlocksInOrder) {
  const DeviceProfile p = ProfileFrom(kS3Profile);
  ASSERT_EQ(p.initial.base.entries().size(), 7u);
  EXPECT_EQ(p.initial.base.entries()[2], (ParamBlock::Entry{"APN", "CMIOT"}));
  ASSERT_EQ(p.initial.channels.at("BAK").size(), 2u);
  EXPECT_EQ(*p.initial.channels.at("BAK").at(2).Find("SVRPORT"), "5002");
}

TEST(Profile, FactoryValuesOverlayTheLinesTheyName) {
  const DeviceProfile p = ProfileFrom(kS3Profile);
  EXPECT_EQ(*p.factory.base.Find("APN"), "CMNET");
  EXPECT_EQ(*p.factory.base.Find("HBDATA"), "FE01");
  EXPECT_EQ(*p.factory.channels.at("SIN").at(1).Find("SVRADDR"), "192.168.1.100");
  EXPECT_EQ(*p.factory.channels.at("SIN").at(1).Find("SVRPORT"), "7001");
}

TEST(Profile, ValuesAreBytesAsWrittenWithLfOrCrLfLineEnds) {
  const DeviceProfile p = ProfileFrom(
      "[device]\ngeneration=S2\nversion=2.1.5\nmanufacturer=\xD4\xF3\xC0\xD7\n[base]\n  APN = a b \nX==\n");
  EXPECT_EQ(p.manufacturer, "\xD4\xF3\xC0\xD7");  // GBK bytes pass through
  EXPECT_EQ(*p.initial.base.Find("APN"), " a b ");
  EXPECT_EQ(*p.initial.base.Find("X"), "=");
}

TEST(Profile, MistakesAreReportedWithTheirLine) {
  EXPECT_EQ(ParseError("[device]\ngeneration=S3\nversion=1\nmode=SIN\nnonsense\n"),
            "line 5: expected key=value or [section]");
  EXPECT_EQ(ParseError("APN=1\n"), "line 1: key line before the first section");
  EXPECT_EQ(ParseError("[device]\ngeneration=S4\n"), "line 2: generation is S2 or S3");
  EXPECT_EQ(ParseError("[device]\ngeneration=S2\nversion=1\ncolour=red\n"),
            "line 4: unknown device key 'colour'");
  EXPECT_EQ(ParseError("[device]\ngeneration=S2\nversion=1\n[extra]\n"), "line 4: unknown section");
  EXPECT_EQ(ParseError("[device]\ngeneration=S2\nversion=1\n[channel SIN x]\n"), "line 4: unknown section");
  EXPECT_EQ(ParseError("[device]\ngeneration=S2\nversion=1\ncsq=abc\n"),
            "line 4: csq is a number from 0 to 999");
}

TEST(Profile, IncompleteDevicesAreRefused) {
  EXPECT_EQ(ParseError("[base]\nAPN=x\n"), "no [device] section");
  EXPECT_EQ(ParseError("[device]\nversion=1\n"), "line 1: [device] needs generation=S2 or S3");
  EXPECT_EQ(ParseError("[device]\ngeneration=S2\n"), "[device] needs version (the SPSV value)");
  EXPECT_EQ(ParseError("[device]\ngeneration=S3\nversion=3.1.2\n"),
            "[device] of an S3 unit needs mode=SIN, BAK, MUL or MULB");
  EXPECT_EQ(ParseError("[device]\ngeneration=S2\nversion=2\n[channel SIN 1]\nA=1\n"),
            "an S2 unit has no channel mode and no channel blocks");
}

TEST(Profile, FactoryValuesOnlyForWhatTheUnitHas) {
  EXPECT_EQ(ParseError("[device]\ngeneration=S2\nversion=2\n[base]\nA=1\n[factory base]\nB=2\n"),
            "line 7: factory value for 'B', which the unit does not have");
  EXPECT_EQ(ParseError("[device]\ngeneration=S3\nversion=3\nmode=SIN\n[factory channel SIN 1]\nA=1\n"),
            "line 5: factory block for a channel the unit does not have");
}

TEST(SavedState, SaveWritesTheStateFileAndANewUnitStartsFromIt) {
  TempDir dir;
  const std::string path = dir.File("unit.state");
  {
    DeviceState state(ProfileFrom(kS3Profile), path);
    ASSERT_TRUE(state.Set("APN", "KEPT"));
    ASSERT_TRUE(state.Set("SPPID", "ZR0042"));
    std::string error;
    ASSERT_TRUE(state.Save(&error)) << error;
  }
  DeviceState again(ProfileFrom(kS3Profile), path);
  std::string error;
  ASSERT_TRUE(again.Load(&error)) << error;
  EXPECT_EQ(again.Get("APN"), "KEPT");
  EXPECT_EQ(again.Get("SPPID"), "ZR0042");
}

TEST(SavedState, FactoryValuesAndTheirModeAreWrittenToo) {
  TempDir dir;
  const std::string path = dir.File("unit.state");
  DeviceState state(ProfileFrom(kS3Profile), path);
  std::string error;
  ASSERT_TRUE(state.RestoreFactory("BAK", &error)) << error;
  const std::string text = ReadFileBytes(path);
  EXPECT_NE(text.find("[device]\r\nmode=BAK\r\nproduct_number=P0001\r\nimei=860000000000001\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("APN=CMNET\r\n"), std::string::npos);
  EXPECT_NE(text.find("[channel BAK 2]\r\nSVRADDR=10.0.1.2\r\nSVRPORT=5002\r\n"), std::string::npos);
}

TEST(SavedState, WithoutAStateFileValuesLiveInMemory) {
  DeviceState state(ProfileFrom(kS3Profile), "");
  std::string error;
  EXPECT_TRUE(state.Load(&error));
  ASSERT_TRUE(state.Set("APN", "X"));
  EXPECT_TRUE(state.Save(&error));
  EXPECT_EQ(state.saved().base.Find("APN") != nullptr ? *state.saved().base.Find("APN") : "", "X");
}

TEST(SavedState, KeywordsAndChannelsTheUnitLacksAreIgnored) {
  ParamSet values = ProfileFrom(kS3Profile).initial;
  std::string error;
  ASSERT_TRUE(
      ApplySavedState("[device]\nmode=BAK\n[base]\nAPN=S\nGONE=1\n[channel SIN 1]\nSVRPORT=1\n"
                      "[channel SIN 7]\nSVRPORT=2\n[channel XYZ 1]\nA=1\n",
                      &values, &error))
      << error;
  EXPECT_EQ(values.mode, "BAK");
  EXPECT_EQ(*values.base.Find("APN"), "S");
  EXPECT_FALSE(values.base.Has("GONE"));
  EXPECT_EQ(*values.channels.at("SIN").at(1).Find("SVRPORT"), "1");
  EXPECT_EQ(values.channels.at("SIN").count(7), 0u);
}

TEST(SavedState, AMalformedStateFileIsRefused) {
  TempDir dir;
  const std::string path = dir.File("unit.state");
  ASSERT_TRUE(WriteFileBytes(path, "[device]\nnot a key line\n"));
  DeviceState state(ProfileFrom(kS3Profile), path);
  std::string error;
  EXPECT_FALSE(state.Load(&error));
  EXPECT_EQ(error, path + ": line 2: expected key=value or [section]");
}

TEST(SavedState, AStateFileThatCannotBeWrittenFailsTheSave) {
  DeviceState state(ProfileFrom(kS3Profile), "/nonexistent-folder/unit.state");
  std::string error;
  EXPECT_FALSE(state.Save(&error));
  EXPECT_EQ(error, "cannot write /nonexistent-folder/unit.state");
}

}  // namespace
}  // namespace zt::dtusim::test
