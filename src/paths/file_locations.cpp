#include "paths/file_locations.h"

namespace zt {
namespace {

constexpr char kSettingsName[] = "tool_set.ini";
constexpr char kQuickSendName[] = "cmd.ini";
constexpr char kS3Name[] = "dtuparam_s3.ini";
constexpr char kS2Name[] = "dtuparam_s2.ini";
constexpr char kRecordsName[] = "records.sqlite3";
constexpr char kOwnFolder[] = "zereltool/";

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

bool Absolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

bool UnderUsr(const std::string& dir) { return dir == "/usr" || dir.rfind("/usr/", 0) == 0; }

// The tool's folder under an XDG base folder: the variable when it holds an
// absolute path (a relative one is to be ignored), else `fallback` under the
// home folder; why, in words.
FileLocation OwnFolderUnder(const PathInputs& in, const std::string& variable, const char* variable_name,
                            const char* fallback) {
  const std::string name = std::string("$") + variable_name;
  if (Absolute(variable)) return {WithSlash(variable) + kOwnFolder, name + "/" + kOwnFolder};
  if (Absolute(in.home)) {
    return {WithSlash(in.home) + fallback + kOwnFolder,
            std::string("~/") + fallback + kOwnFolder + " (" + name + " is not set)"};
  }
  return {"", "the current folder (neither " + name + " nor $HOME is set)"};
}

void Decide(const PathInputs& in, const std::string& shipped, FileLocations& out) {
  const std::string& dir = in.program_dir;
  if (in.exists(dir + kSettingsName)) {
    out.layout = FileLayout::kPortable;
    out.layout_why = std::string(kSettingsName) + " lies beside the program";
  } else if (UnderUsr(dir)) {
    out.layout = FileLayout::kInstalled;
    out.layout_why = "the program lies under /usr";
  } else if (in.exists(shipped)) {
    out.layout = FileLayout::kInstalled;
    out.layout_why = "the program lies in an installed tree (" + shipped + " exists)";
  } else if (!in.program_dir_writable) {
    out.layout = FileLayout::kInstalled;
    out.layout_why = "the program's folder is not writable";
  } else {
    out.layout = FileLayout::kPortable;
    out.layout_why = "the program's folder is writable, not under /usr and not in an installed tree";
  }
}

// The file a load reads: the folder's own, or the shipped one while the
// folder has none.
FileLocation Catalogue(const PathInputs& in, const FileLocations& out, const char* name,
                       const std::string& own_why) {
  const std::string own = out.catalogue_folder + name;
  if (in.catalogue_dir || out.shipped_folder.empty() || in.exists(own)) return {own, own_why};
  return {out.shipped_folder + name, "the shipped file (no copy in " + out.catalogue_folder + ")"};
}

}  // namespace

std::string ShippedFolderFor(const std::string& program_dir) {
  std::string dir = program_dir;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  const std::size_t slash = dir.rfind('/');
  const std::string prefix = slash == std::string::npos ? "../" : dir.substr(0, slash + 1);
  return prefix + "share/" + kOwnFolder;
}

FileLocations LocateFiles(const PathInputs& in) {
  FileLocations out;
  const std::string shipped = ShippedFolderFor(in.program_dir);
  Decide(in, shipped, out);
  const bool installed = out.layout == FileLayout::kInstalled;

  std::string own_why;
  if (installed) {
    const FileLocation config = OwnFolderUnder(in, in.xdg_config_home, "XDG_CONFIG_HOME", ".config/");
    out.user_folder = config.path;
    const std::string created = "the user's own, in " + config.why + "; created on the first save";
    out.settings = {out.user_folder + kSettingsName, created};
    out.quick_send = {out.user_folder + kQuickSendName, created};
    out.catalogue_folder = out.user_folder;
    out.data_folder = OwnFolderUnder(in, in.xdg_data_home, "XDG_DATA_HOME", ".local/share/");
    own_why = "the user's copy";
  } else {
    out.settings = {in.program_dir + kSettingsName, "beside the program"};
    out.quick_send = {kQuickSendName, "in the current folder"};
    out.catalogue_folder = in.program_dir;
    out.data_folder = {in.program_dir, "beside the program"};
    own_why = "beside the program";
  }
  out.records = {out.data_folder.path + kRecordsName, "in the data folder"};
  if (in.settings_file) {
    out.settings = {*in.settings_file, "--settings"};
    const std::size_t slash = in.settings_file->rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : in.settings_file->substr(0, slash + 1);
    out.records = {folder + kRecordsName, "beside the --settings file"};
  }
  if (in.catalogue_dir) {
    out.catalogue_folder = WithSlash(*in.catalogue_dir);
    own_why = "--catalogue-dir";
  } else if (in.exists(shipped)) {
    out.shipped_folder = shipped;
  }
  out.catalogue_s3 = Catalogue(in, out, kS3Name, own_why);
  out.catalogue_s2 = Catalogue(in, out, kS2Name, own_why);
  return out;
}

std::string DescribeFileLocations(const FileLocations& files) {
  std::string text = std::string("layout: ") +
                     (files.layout == FileLayout::kInstalled ? "installed" : "portable") + "\n    " +
                     files.layout_why + "\n";
  const auto line = [&text](const char* name, const FileLocation& file) {
    text += std::string(name) + ": " + (file.path.empty() ? "./" : file.path) + "\n    " + file.why + "\n";
  };
  line(kSettingsName, files.settings);
  line(kQuickSendName, files.quick_send);
  line(kS3Name, files.catalogue_s3);
  line(kS2Name, files.catalogue_s2);
  line("common marks", {files.catalogue_folder,
                        files.shipped_folder.empty()
                            ? "written into the loaded catalogue's file in this folder"
                            : "written into the loaded catalogue's file in this folder, made from the "
                              "shipped file the first time"});
  line("data folder", files.data_folder);
  line(kRecordsName, files.records);
  return text;
}

}  // namespace zt
