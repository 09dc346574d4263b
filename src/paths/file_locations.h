// Where the tool's files live.
//
// Portable layout: tool_set.ini and the catalogue files beside the program,
// cmd.ini in the current folder, as a tool unpacked into a folder of its own
// has always kept them. It is used when tool_set.ini lies beside the program,
// or when the program's folder is writable, not under /usr and not the bin
// folder of an installed tree (one with share/zereltool/ beside it).
//
// Installed layout otherwise, after the XDG base directories, so that every
// user of the machine keeps settings of their own:
//  - tool_set.ini and cmd.ini in $XDG_CONFIG_HOME/zereltool/ (default
//    ~/.config/zereltool/), created on the first save;
//  - each catalogue file from the user's copy in that folder when there is
//    one, else from the shipped one in <prefix>/share/zereltool/, found from
//    the program's folder <prefix>/bin/; the common marks are written into the
//    user's copy (made from the shipped file the first time);
//  - the data folder $XDG_DATA_HOME/zereltool/ (default ~/.local/share/zereltool/),
//    which holds the production records, records.sqlite3.
// --settings and --catalogue-dir override the layout for their files.
//
// LocateFiles is a plain function of what it is told about the machine;
// paths/process_paths.h asks the running process.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace zt {

enum class FileLayout { kPortable, kInstalled };

struct PathInputs {
  std::string program_dir;            // the running program's folder, ending in "/"
  bool program_dir_writable = false;  // the user may create files there
  std::string home;                   // $HOME (or the account's home folder)
  std::string xdg_config_home;        // as set; empty when unset
  std::string xdg_data_home;
  std::optional<std::string> settings_file;  // --settings FILE
  std::optional<std::string> catalogue_dir;  // --catalogue-dir DIR
  // Whether a file or folder exists (a folder is asked for with its "/").
  std::function<bool(const std::string&)> exists;
};

// A file (or folder) and why it is the one used, in words for `paths`.
struct FileLocation {
  std::string path;
  std::string why;
};

struct FileLocations {
  FileLayout layout = FileLayout::kPortable;
  std::string layout_why;
  // Installed: $XDG_CONFIG_HOME/zereltool/, the user's private folder (made
  // 0700 on the first save, new files in it 0600). Portable: empty.
  std::string user_folder;
  FileLocation settings;    // tool_set.ini
  FileLocation quick_send;  // cmd.ini
  // Where the catalogues are loaded from and the common marks written.
  std::string catalogue_folder;
  // Where a catalogue file missing from catalogue_folder is read from (the
  // shipped files); empty when there is none to fall back on.
  std::string shipped_folder;
  FileLocation catalogue_s3;  // the dtuparam_s3.ini a load reads now
  FileLocation catalogue_s2;
  FileLocation data_folder;
  // The station's production records (records.sqlite3): in the data folder,
  // or beside the settings file that --settings names (a station set up
  // with a settings file of its own keeps its records with it). The key
  // RECORDS_FILE of the settings file overrides it.
  FileLocation records;
};

FileLocations LocateFiles(const PathInputs& in);

// <prefix>/share/zereltool/ for a program in <prefix>/bin/ ("/usr/bin/" gives
// "/usr/share/zereltool/").
std::string ShippedFolderFor(const std::string& program_dir);

// What `zereltool --paths` and `zereltool-cli paths` print (plain ASCII
// around the paths).
std::string DescribeFileLocations(const FileLocations& files);

}  // namespace zt
