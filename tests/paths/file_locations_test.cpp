// Where the files live: the choice of layout (portable or installed) and
// each file's place in both, from what the machine is said to have.
#include "paths/file_locations.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

namespace zt {
namespace {

// A machine: the program's folder, whether it may be written, the files
// and folders ("/" at the end) that exist, and the environment.
struct Machine {
  Machine(std::string dir, bool can_write, std::set<std::string> present = {},
          std::string home_dir = "/home/op", std::string config_home = {}, std::string data_home = {},
          std::optional<std::string> settings = {}, std::optional<std::string> catalogues = {})
      : program_dir(std::move(dir)),
        writable(can_write),
        existing(std::move(present)),
        home(std::move(home_dir)),
        xdg_config_home(std::move(config_home)),
        xdg_data_home(std::move(data_home)),
        settings_file(std::move(settings)),
        catalogue_dir(std::move(catalogues)) {}
  std::string program_dir;
  bool writable;
  std::set<std::string> existing;
  std::string home;
  std::string xdg_config_home;
  std::string xdg_data_home;
  std::optional<std::string> settings_file;
  std::optional<std::string> catalogue_dir;
};

FileLocations Locate(const Machine& m) {
  PathInputs in;
  in.program_dir = m.program_dir;
  in.program_dir_writable = m.writable;
  in.home = m.home;
  in.xdg_config_home = m.xdg_config_home;
  in.xdg_data_home = m.xdg_data_home;
  in.settings_file = m.settings_file;
  in.catalogue_dir = m.catalogue_dir;
  in.exists = [existing = m.existing](const std::string& path) { return existing.count(path) > 0; };
  return LocateFiles(in);
}

struct LayoutCase {
  const char* name;
  Machine machine;
  FileLayout expected;
};

TEST(FileLayoutChoice, FollowsTheProgramsFolder) {
  const LayoutCase cases[] = {
      {"a build tree", {"/home/op/zt/build/bin/", true}, FileLayout::kPortable},
      {"an unpacked folder of one's own", {"/home/op/ZerelTool/", true}, FileLayout::kPortable},
      {"the package's /usr/bin", {"/usr/bin/", false}, FileLayout::kInstalled},
      {"/usr/local/bin, writable by root", {"/usr/local/bin/", true}, FileLayout::kInstalled},
      {"a folder whose name starts with usr", {"/usrdata/zt/", true}, FileLayout::kPortable},
      {"a shared folder the user may not write", {"/srv/tools/zt/", false}, FileLayout::kInstalled},
      {"an installed tree under another prefix",
       {"/opt/zt/bin/", true, {"/opt/zt/share/zereltool/"}},
       FileLayout::kInstalled},
      {"an extracted package",
       {"/tmp/root/usr/bin/", true, {"/tmp/root/usr/share/zereltool/"}},
       FileLayout::kInstalled},
      {"tool_set.ini beside /usr/bin",
       {"/usr/bin/", false, {"/usr/bin/tool_set.ini"}},
       FileLayout::kPortable},
      {"tool_set.ini beside an installed tree's program",
       {"/opt/zt/bin/", false, {"/opt/zt/bin/tool_set.ini", "/opt/zt/share/zereltool/"}},
       FileLayout::kPortable},
  };
  for (const LayoutCase& c : cases) {
    const FileLocations files = Locate(c.machine);
    EXPECT_EQ(files.layout, c.expected) << c.name << ": " << files.layout_why;
    EXPECT_FALSE(files.layout_why.empty()) << c.name;
  }
}

struct PlaceCase {
  const char* name;
  Machine machine;
  // Expected places: tool_set.ini, cmd.ini, dtuparam_s3.ini, dtuparam_s2.ini,
  // the catalogue folder, the shipped folder, the private folder, the data folder.
  std::string settings, quick_send, s3, s2, catalogue_folder, shipped_folder, user_folder, data_folder;
};

TEST(FileLocations, EachFileInEachLayout) {
  const PlaceCase cases[] = {
      {"portable: everything where it always was",
       {"/home/op/zt/build/bin/", true},
       "/home/op/zt/build/bin/tool_set.ini",
       "cmd.ini",
       "/home/op/zt/build/bin/dtuparam_s3.ini",
       "/home/op/zt/build/bin/dtuparam_s2.ini",
       "/home/op/zt/build/bin/",
       "",
       "",
       "/home/op/zt/build/bin/"},
      {"installed, no XDG variables: under the home folder, the shipped catalogues",
       {"/usr/bin/", false, {"/usr/share/zereltool/"}},
       "/home/op/.config/zereltool/tool_set.ini",
       "/home/op/.config/zereltool/cmd.ini",
       "/usr/share/zereltool/dtuparam_s3.ini",
       "/usr/share/zereltool/dtuparam_s2.ini",
       "/home/op/.config/zereltool/",
       "/usr/share/zereltool/",
       "/home/op/.config/zereltool/",
       "/home/op/.local/share/zereltool/"},
      {"installed, XDG variables set, the user has a copy of the S3 catalogue",
       {"/usr/bin/",
        false,
        {"/usr/share/zereltool/", "/x/cfg/zereltool/dtuparam_s3.ini"},
        "/home/op",
        "/x/cfg",
        "/x/data/"},
       "/x/cfg/zereltool/tool_set.ini",
       "/x/cfg/zereltool/cmd.ini",
       "/x/cfg/zereltool/dtuparam_s3.ini",
       "/usr/share/zereltool/dtuparam_s2.ini",
       "/x/cfg/zereltool/",
       "/usr/share/zereltool/",
       "/x/cfg/zereltool/",
       "/x/data/zereltool/"},
      {"installed, relative XDG variables are ignored",
       {"/usr/bin/", false, {"/usr/share/zereltool/"}, "/home/op", "cfg", "data"},
       "/home/op/.config/zereltool/tool_set.ini",
       "/home/op/.config/zereltool/cmd.ini",
       "/usr/share/zereltool/dtuparam_s3.ini",
       "/usr/share/zereltool/dtuparam_s2.ini",
       "/home/op/.config/zereltool/",
       "/usr/share/zereltool/",
       "/home/op/.config/zereltool/",
       "/home/op/.local/share/zereltool/"},
      {"installed, --settings and --catalogue-dir win, without a shipped fallback",
       {"/usr/bin/", false, {"/usr/share/zereltool/"}, "/home/op", "", "", "/etc/zt.ini", "/srv/cat"},
       "/etc/zt.ini",
       "/home/op/.config/zereltool/cmd.ini",
       "/srv/cat/dtuparam_s3.ini",
       "/srv/cat/dtuparam_s2.ini",
       "/srv/cat/",
       "",
       "/home/op/.config/zereltool/",
       "/home/op/.local/share/zereltool/"},
      {"portable beside an installed tree's program: missing catalogues come from its share folder",
       {"/opt/zt/bin/",
        false,
        {"/opt/zt/bin/tool_set.ini", "/opt/zt/share/zereltool/", "/opt/zt/bin/dtuparam_s2.ini"}},
       "/opt/zt/bin/tool_set.ini",
       "cmd.ini",
       "/opt/zt/share/zereltool/dtuparam_s3.ini",
       "/opt/zt/bin/dtuparam_s2.ini",
       "/opt/zt/bin/",
       "/opt/zt/share/zereltool/",
       "",
       "/opt/zt/bin/"},
  };
  for (const PlaceCase& c : cases) {
    const FileLocations f = Locate(c.machine);
    EXPECT_EQ(f.settings.path, c.settings) << c.name;
    EXPECT_EQ(f.quick_send.path, c.quick_send) << c.name;
    EXPECT_EQ(f.catalogue_s3.path, c.s3) << c.name;
    EXPECT_EQ(f.catalogue_s2.path, c.s2) << c.name;
    EXPECT_EQ(f.catalogue_folder, c.catalogue_folder) << c.name;
    EXPECT_EQ(f.shipped_folder, c.shipped_folder) << c.name;
    EXPECT_EQ(f.user_folder, c.user_folder) << c.name;
    EXPECT_EQ(f.data_folder.path, c.data_folder) << c.name;
    for (const FileLocation* l :
         {&f.settings, &f.quick_send, &f.catalogue_s3, &f.catalogue_s2, &f.data_folder}) {
      EXPECT_FALSE(l->why.empty()) << c.name << ": " << l->path;
    }
  }
}

TEST(FileLocations, TheShippedFolderLiesBesideTheProgramsBinFolder) {
  EXPECT_EQ(ShippedFolderFor("/usr/bin/"), "/usr/share/zereltool/");
  EXPECT_EQ(ShippedFolderFor("/tmp/root/usr/bin"), "/tmp/root/usr/share/zereltool/");
  EXPECT_EQ(ShippedFolderFor("/bin/"), "/share/zereltool/");
}

TEST(FileLocations, TheDescriptionNamesTheLayoutEachFileAndWhy) {
  const FileLocations f = Locate({"/usr/bin/", false, {"/usr/share/zereltool/"}, "/home/op", "/x/cfg"});
  const std::string text = DescribeFileLocations(f);
  for (const char* part :
       {"layout: installed\n    the program lies under /usr\n",
        "tool_set.ini: /x/cfg/zereltool/tool_set.ini\n    the user's own, in $XDG_CONFIG_HOME/zereltool/",
        "dtuparam_s3.ini: /usr/share/zereltool/dtuparam_s3.ini\n    the shipped file",
        "cmd.ini: /x/cfg/zereltool/cmd.ini\n", "data folder: /home/op/.local/share/zereltool/\n"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  }
}

TEST(FileLocations, TheRecordsLieInTheDataFolderOrBesideAGivenSettingsFile) {
  struct Case {
    Machine machine;
    std::string records;
  };
  const Case cases[] = {
      {{"/usr/bin/", false, {}, "/home/op", {}, "/x/data"}, "/x/data/zereltool/records.sqlite3"},
      {{"/usr/bin/", false}, "/home/op/.local/share/zereltool/records.sqlite3"},
      {{"/opt/zt/", true}, "/opt/zt/records.sqlite3"},
      {{"/usr/bin/", false, {}, "/home/op", {}, {}, "/srv/station/tool_set.ini"}, "/srv/station/records.sqlite3"},
      {{"/opt/zt/", true, {}, "/home/op", {}, {}, "tool_set.ini"}, "records.sqlite3"},
  };
  for (const Case& c : cases) {
    const FileLocations f = Locate(c.machine);
    EXPECT_EQ(f.records.path, c.records) << c.machine.program_dir;
    EXPECT_NE(DescribeFileLocations(f).find("records.sqlite3: " + c.records + "\n"), std::string::npos);
  }
}

}  // namespace
}  // namespace zt
