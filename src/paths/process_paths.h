// The running process's side of paths/file_locations.h: what the machine
// says about the program's folder and the environment, and putting the
// chosen locations in force.
//
// Call at start, before other threads run: ApplyFileLocations sets
// process-wide state (the private folder of the atomic writer, the shipped
// catalogue folder of the loader).
#pragma once

#include <optional>
#include <string>

#include "paths/file_locations.h"

namespace zt {

// The inputs for a program in `program_dir` ("/" at the end), from the
// environment ($HOME, else the account's home folder; $XDG_CONFIG_HOME,
// $XDG_DATA_HOME) and the file system.
PathInputs PathInputsFor(const std::string& program_dir, const std::optional<std::string>& settings_file,
                         const std::optional<std::string>& catalogue_dir);

// LocateFiles for the running program.
FileLocations LocateProcessFiles(const std::optional<std::string>& settings_file,
                                 const std::optional<std::string>& catalogue_dir);

// Installed layout: files the tool writes into the user's folder are private
// (see SetPrivateFolder), and catalogues missing there are read from the
// shipped folder. Returns the run-log line (GBK) that warns of a settings
// file others may read, or "" when there is nothing to say.
std::string ApplyFileLocations(const FileLocations& files);

// GBK: the warning for the settings file at `path` when group or others may
// read it (it holds the login password), else "".
std::string SettingsExposureWarning(const std::string& path);

}  // namespace zt
