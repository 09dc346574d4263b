// The shipped device profiles load, and they hold every keyword of the
// shipped catalogues with a value the catalogue's checks accept.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "dtusim/profile.h"
#include "support/dtusim_fixture.h"
#include "support/temp_dir.h"

namespace zt::dtusim::test {
namespace {

// The few catalogue facts the comparison needs, read without the tool's
// catalogue code so that a mistake there cannot hide a mistake here.
struct CatalogueParam {
  std::string key;
  std::string type;
  std::map<std::string, std::string> fields;
  bool Flag(const char* name) const {
    auto it = fields.find(name);
    return it != fields.end() && it->second == "1";
  }
  std::string Field(const char* name) const {
    auto it = fields.find(name);
    return it == fields.end() ? "" : it->second;
  }
};
struct CatalogueGroup {
  int chn = -1;
  int run_type = 0;
  std::vector<CatalogueParam> params;
};

std::string Trim(std::string s) {
  const char* blanks = " \t\r\n";
  s.erase(0, s.find_first_not_of(blanks));
  s.erase(s.find_last_not_of(blanks) + 1);
  return s;
}

std::vector<CatalogueGroup> ReadCatalogue(const std::string& text) {
  std::map<std::string, std::map<std::string, std::string>> sections;
  std::string section;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.find('[') != std::string::npos) {
      section = Trim(line.substr(1, line.size() - 2));
    } else if (size_t eq = line.find('='); eq != std::string::npos) {
      sections[section][Trim(line.substr(0, eq))] = Trim(line.substr(eq + 1));
    }
  }
  std::vector<CatalogueGroup> groups;
  const int count = std::atoi(sections["group"]["count"].c_str());
  for (int g = 1; g <= count; ++g) {
    auto& s = sections["group" + std::to_string(g)];
    CatalogueGroup group;
    group.chn = std::atoi(s["chn"].c_str());
    group.run_type = static_cast<int>(std::strtol(s["dtu_run_type"].c_str(), nullptr, 16));
    for (int m = 1; m <= std::atoi(s["count"].c_str()); ++m) {
      auto& p = sections["group" + std::to_string(g) + "_parm" + std::to_string(m)];
      group.params.push_back({p["short_name"], p["type"], p});
    }
    groups.push_back(std::move(group));
  }
  return groups;
}

bool AllDigits(const std::string& s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// What the catalogue's own checks would say of a value stored by a query.
std::string CheckValue(const CatalogueParam& p, const std::string& v) {
  if (v.find("OK") != std::string::npos) return "contains OK";
  if (p.Flag("readonly") || v.empty()) return "";
  if (p.Flag("is_list") && !p.Flag("is_list_custom")) {
    const std::string list = "," + p.Field("list_value") + ",";
    return list.find("," + v + ",") != std::string::npos ? "" : "not in the list";
  }
  if (p.type.rfind("INT", 0) == 0 && p.Flag("is_check_range")) {
    if (!AllDigits(v)) return "not a number";
    const std::string range = p.Field("value_range");
    const size_t comma = range.find(',');
    const std::string bounds = comma == std::string::npos ? range : range.substr(comma + 1);
    const long n = std::atol(v.c_str());
    if (comma != std::string::npos && n == std::atol(range.c_str())) return "";
    const size_t tilde = bounds.find('~');
    return n >= std::atol(bounds.c_str()) && n <= std::atol(bounds.c_str() + tilde + 1) ? "" : "out of range";
  }
  if (p.Flag("is_ipaddr")) {
    int a, b, c, d;
    char tail;
    return std::sscanf(v.c_str(), "%d.%d.%d.%d%c", &a, &b, &c, &d, &tail) == 4 ? "" : "not an address";
  }
  size_t length = v.size();
  if (p.type.rfind("HEXS", 0) == 0) {
    if (v.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos || v.size() % 2 != 0) {
      return "not hexadecimal";
    }
    length = v.size() / 2;
  }
  if (p.type.rfind("DIGITST", 0) == 0 &&
      v.find_first_not_of("0123456789", v[0] == '+' ? 1 : 0) != std::string::npos) {
    return "not digits";
  }
  const size_t limit = static_cast<size_t>(std::atoi(p.Field("length").c_str()));
  if (p.Flag("fixed_length") ? length != limit : length > limit) return "wrong length";
  if (p.Flag("is_spec_ascstr") &&
      (p.Field("spec_ascstr_first").find(v[0]) == std::string::npos ||
       v.find_first_not_of(p.Field("spec_ascstr_other"), 1) != std::string::npos)) {
    return "characters not allowed";
  }
  return "";
}

void CompareWithCatalogue(const std::string& profile_name, const std::string& catalogue_name) {
  DeviceProfile profile;
  std::string error;
  ASSERT_TRUE(LoadDeviceProfile(zt::test::ShippedDataFile(profile_name), &profile, &error)) << error;
  const std::string catalogue_text =
      zt::test::ReadFileBytes(std::string(ZT_SOURCE_DATA_DIR) + "/" + catalogue_name);
  if (catalogue_text.empty()) GTEST_SKIP() << catalogue_name << " is not in data/ yet";
  const bool s3 = profile.generation == Generation::kS3;
  const char* kModes[] = {"SIN", "BAK", "MUL", "MULB"};
  size_t base_keys = 0;
  std::map<std::string, size_t> channel_keys;
  for (const CatalogueGroup& g : ReadCatalogue(catalogue_text)) {
    std::vector<std::pair<const ParamSet*, const ParamBlock*>> blocks;
    for (const ParamSet* set : {&profile.initial, &profile.factory}) {
      if (!s3 || g.chn <= 0) {
        blocks.push_back({set, &set->base});
        continue;
      }
      for (int bit = 0; bit < 4; ++bit) {
        if ((g.run_type & (1 << bit)) == 0) continue;
        const auto& mode = set->channels.at(kModes[bit]);
        ASSERT_EQ(mode.count(g.chn), 1u) << kModes[bit] << " channel " << g.chn;
        blocks.push_back({set, &mode.at(g.chn)});
      }
    }
    for (const CatalogueParam& p : g.params) {
      EXPECT_FALSE(p.key.size() >= 2 && p.key.substr(p.key.size() - 2) == "ID") << p.key;
      for (auto [set, block] : blocks) {
        const std::string* v = block->Find(p.key);
        ASSERT_NE(v, nullptr) << p.key << " missing from " << profile_name;
        if (IsIdentityKey(p.key)) continue;
        const std::string value = s3 && p.key == kModeKey ? set->mode : *v;
        EXPECT_EQ(CheckValue(p, value), "") << profile_name << ": " << p.key << "=" << value;
      }
    }
    if (!s3 || g.chn <= 0) base_keys += g.params.size();
  }
  EXPECT_EQ(profile.initial.base.entries().size(), base_keys) << "keywords the catalogue lacks";
}

TEST(ShippedProfiles, TheS3ProfileIsAnS3UnitWithVersion312) {
  DeviceProfile p;
  std::string error;
  ASSERT_TRUE(LoadDeviceProfile(zt::test::ShippedDataFile("dtusim_s3.profile"), &p, &error)) << error;
  EXPECT_EQ(p.generation, Generation::kS3);
  EXPECT_EQ(p.version, "3.1.2");
  EXPECT_EQ(p.password, "pilot");
  EXPECT_EQ(p.initial.mode, "SIN");
  EXPECT_FALSE(p.ready.empty());
}

TEST(ShippedProfiles, TheS2ProfileIsAnS2UnitWithVersion215) {
  DeviceProfile p;
  std::string error;
  ASSERT_TRUE(LoadDeviceProfile(zt::test::ShippedDataFile("dtusim_s2.profile"), &p, &error)) << error;
  EXPECT_EQ(p.generation, Generation::kS2);
  EXPECT_EQ(p.version, "2.1.5");
  EXPECT_TRUE(p.initial.channels.empty());
}

TEST(ShippedProfiles, TheS3ProfileMatchesTheS3Catalogue) {
  CompareWithCatalogue("dtusim_s3.profile", "dtuparam_s3.ini");
}

TEST(ShippedProfiles, TheS2ProfileMatchesTheS2Catalogue) {
  CompareWithCatalogue("dtusim_s2.profile", "dtuparam_s2.ini");
}

}  // namespace
}  // namespace zt::dtusim::test
