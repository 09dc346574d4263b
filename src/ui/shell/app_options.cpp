#include "ui/shell/app_options.h"

#include <string_view>

namespace zt::ui {
namespace {

// "--name VALUE" or "--name=VALUE"; advances `i` past what it used.
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, std::string_view name,
               std::optional<std::string>& into, std::string& error) {
  const std::string& arg = args[i];
  const std::string prefix = std::string(name) + "=";
  if (arg.rfind(prefix, 0) == 0) {
    into = arg.substr(prefix.size());
  } else if (arg == name) {
    if (i + 1 >= args.size()) {
      error = std::string(name) + " needs a value";
      return true;
    }
    into = args[++i];
  } else {
    return false;
  }
  if (into->empty()) error = std::string(name) + " needs a value";
  return true;
}

}  // namespace

bool WantsHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

AppOptionsResult ParseAppOptions(const std::vector<std::string>& args) {
  AppOptionsResult result;
  AppOptions& o = result.options;
  for (std::size_t i = 0; i < args.size() && result.error.empty(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--version") {
      o.version = true;
    } else if (arg == "--paths") {
      o.paths = true;
    } else if (arg == "--connect") {
      o.auto_connect = true;
    } else if (TakeValue(args, i, "--port", o.port, result.error) ||
               TakeValue(args, i, "--catalogue-dir", o.catalogue_dir, result.error) ||
               TakeValue(args, i, "--settings", o.settings_file, result.error) ||
               TakeValue(args, i, "--screenshot", o.screenshot_file, result.error)) {
    } else {
      result.error = "unknown argument: " + arg;
    }
  }
  if (o.screenshot_file) o.auto_connect = true;
  return result;
}

std::string AppUsageText() {
  return "Usage: zereltool [OPTION]...\n"
         "The main window of ZerelTool: configure a DTU over a serial port.\n"
         "\n"
         "  --port NAME           use this port instead of the one in tool_set.ini\n"
         "                        (COM1, /dev/ttyUSB0, a dtusim pseudo-terminal ...)\n"
         "  --catalogue-dir DIR   read dtuparam_s3.ini / dtuparam_s2.ini from DIR\n"
         "                        (default: see --paths)\n"
         "  --settings FILE       read and write FILE instead of tool_set.ini (beside\n"
         "                        the program, or the user's own when installed)\n"
         "  --paths               print which settings, catalogue and other files are\n"
         "                        used, and why, then end\n"
         "  -h, --help            show this text\n"
         "  --version             show the version\n"
         "\n"
         "Development aids (the demo and the screenshot of ./run.sh use them):\n"
         "  --connect             open the port and connect to the DTU at start\n"
         "  --screenshot FILE     --connect, then save a PNG of the main window to\n"
         "                        FILE once the DTU's values are shown, and end\n"
         "                        (status 0 after a successful connect, 1 otherwise)\n"
         "\n"
         "Qt's own options (-platform offscreen, -style ...) are accepted too.\n"
         "Exit status: 0 after the window is closed, 112 after File > Exit,\n"
         "2 when the parameter catalogue is unusable or the command line is wrong.\n";
}

}  // namespace zt::ui
