#include "cli/console.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "text/gbk.h"

namespace zt::cli {
namespace {

std::mutex& ConsoleMutex() {
  static std::mutex mutex;
  return mutex;
}

void PrintLine(std::string_view utf8) {
  std::lock_guard lock(ConsoleMutex());
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace

void PrintLogLine(std::string_view gbk_line) { PrintLogLine(gbk_line, {}); }

void PrintLogLine(std::string_view gbk_line, std::string_view utf8_prefix) {
  auto line_end = [](char c) { return c == '\r' || c == '\n'; };
  // The entry's own line ends frame it: one before it is an empty line, as
  // in the window's box. Every other byte is the entry's text, which may hold
  // what a unit sent: escaped.
  while (!gbk_line.empty() && line_end(gbk_line.back())) gbk_line.remove_suffix(1);
  std::string blank_lines;
  while (!gbk_line.empty() && line_end(gbk_line.front())) {
    if (gbk_line.front() == '\n') (blank_lines += utf8_prefix) += '\n';
    gbk_line.remove_prefix(1);
  }
  PrintLine(blank_lines + std::string(utf8_prefix) + GbkToUtf8ForTerminal(gbk_line));
}

void ConsoleMessageBox::ShowMessage(std::string_view text, std::string_view caption, MessageIcon) {
  PrintLine(prefix_ + GbkToUtf8(caption) + ": " + GbkToUtf8(text));
}

void ConsoleCatalogueErrors::EndWithCatalogueError(std::string_view gbk) {
  PrintLine(GbkToUtf8Escaped(gbk));
  // The catalogue cannot be used: the tool ends here, before a query or a
  // set could run against an empty table and report success.
  if (before_exit_) before_exit_();
  std::_Exit(kExitUsage);
}

void ConsoleCatalogueErrors::ShowCatalogueMessage(std::string_view gbk) { EndWithCatalogueError(gbk); }

void ConsoleCatalogueErrors::CatalogueFatal(std::string_view gbk) { EndWithCatalogueError(gbk); }

void ConsoleCatalogueErrors::CatalogueFileError(std::string_view gbk) { EndWithCatalogueError(gbk); }

void ConsoleCatalogueErrors::CatalogueNotLoaded(std::string_view gbk_reason) {
  EndWithCatalogueError(gbk_reason);
}

}  // namespace zt::cli
