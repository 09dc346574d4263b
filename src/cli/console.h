// zereltool-cli's side of the core's interfaces: everything the tool would
// show in a window goes to standard error as UTF-8.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "common/message_box.h"
#include "params/catalogue_loader.h"

namespace zt::cli {

// One run-log entry: GBK text, its own trailing CR/LF removed (trailing
// blanks kept), then a line end; a leading line end gives an empty line
// before it. Control bytes and bytes that are not GBK inside the text show
// as \xNN, so nothing a unit reports reaches the terminal raw. Any thread.
void PrintLogLine(std::string_view gbk_line);
// The same with `utf8_prefix` before the entry's text on every line it
// prints (several ports at once: "[ttyUSB3] ").
void PrintLogLine(std::string_view gbk_line, std::string_view utf8_prefix);

// A message box as a line "caption: text".
class ConsoleMessageBox final : public IMessageBox {
 public:
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;
  // Starts every line (several ports at once: "[ttyUSB3] ").
  void SetPrefix(std::string utf8_prefix) { prefix_ = std::move(utf8_prefix); }

 private:
  std::string prefix_;
};

// Catalogue errors: without its catalogue the tool has nothing to show or
// set, so every catalogue that cannot be loaded (missing, unreadable,
// malformed, beyond the limits, fatal) prints its message and ends the
// program with status 2, as the window ends the tool on a fatal error.
class ConsoleCatalogueErrors final : public ICatalogueErrors {
 public:
  // Runs on the thread that loads, just before the program ends: the session
  // closes the port there, so that the line is left as it was found.
  void SetBeforeExit(std::function<void()> before_exit) { before_exit_ = std::move(before_exit); }

  void ShowCatalogueMessage(std::string_view gbk) override;
  void CatalogueFatal(std::string_view gbk) override;
  void CatalogueFileError(std::string_view gbk) override;
  void CatalogueNotLoaded(std::string_view gbk_reason) override;

 private:
  [[noreturn]] void EndWithCatalogueError(std::string_view gbk);
  std::function<void()> before_exit_;
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

}  // namespace zt::cli
