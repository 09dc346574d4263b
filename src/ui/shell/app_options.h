// The command line of zereltool (the window). Qt's own options (-platform,
// -style, ...) are taken out by the application object before these are read.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zt::ui {

struct AppOptions {
  std::optional<std::string> port;           // --port NAME: replaces the settings file's port
  std::optional<std::string> catalogue_dir;  // --catalogue-dir DIR: where dtuparam_s*.ini lie
  std::optional<std::string> settings_file;  // --settings FILE: instead of tool_set.ini beside the program
  // Development aids: open the port and connect at start (--connect), and
  // with --screenshot FILE also save a picture of the window once connected,
  // then end (status 0 when the connect succeeded).
  bool auto_connect = false;
  std::optional<std::string> screenshot_file;
  bool help = false;
  bool version = false;  // --version
  bool paths = false;    // --paths: which files are used, and why
};

struct AppOptionsResult {
  AppOptions options;
  std::string error;  // empty when the command line is usable
};

// `args` without the program name.
AppOptionsResult ParseAppOptions(const std::vector<std::string>& args);

// True when `args` asks for the help text (read before any window exists).
bool WantsHelp(const std::vector<std::string>& args);

std::string AppUsageText();

}  // namespace zt::ui
