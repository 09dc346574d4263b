// Loading the catalogue file ("dtuparam_s3.ini" or "dtuparam_s2.ini").
//
// The file is INI-like but has rules of its own, so it is not read with
// ProfileFile: lines are read 298 bytes at a time (a longer line goes on as a
// new line), a line containing "[" anywhere is a section header, a line
// containing "=" is an entry, and there are no comments. Keys and sections
// are compared byte for byte.
//
// Reading the file and applying it are split so that the file I/O never
// happens under the catalogue lock: LoadCatalogueFile fills a plain table,
// LoadCatalogue fills a fresh table and swaps it in under the write lock.
//
// The library never ends the process and never shows anything. Structural
// errors that must end the program (an unnamed group, a code or relation code
// of 0) come back as kFatal with their exact text; LoadCatalogueWithRetries
// hands them to the front end through ICatalogueErrors.
#pragma once

#include <string>
#include <string_view>

#include "params/param_catalogue.h"
#include "params/shared_catalogue.h"
#include "settings/process_flags.h"

namespace zt {

enum class CatalogueLoadStatus {
  kLoaded,
  kFileMissing,  // no file: fails without a message (the reason names the file)
  kUnreadable,   // the file is there but cannot be read: message "读入dtuparam.ini失败**"
  kFileError,    // a malformed range or an empty option list (no message; the
                 // reason names the section), or a capacity limit exceeded or a
                 // "group" count below 0 (message = our description)
  kFatal,        // message = the text to show before the program ends
};

struct CatalogueLoadResult {
  CatalogueLoadStatus status = CatalogueLoadStatus::kLoaded;
  std::string message;  // GBK; see CatalogueLoadStatus
  // GBK, for a failure without a message: what went wrong (the missing file,
  // the section of a malformed entry), for the command line.
  std::string reason;
  bool loaded() const { return status == CatalogueLoadStatus::kLoaded; }
};

// Implemented by the front ends.
class ICatalogueErrors {
 public:
  virtual ~ICatalogueErrors() = default;
  // A message box (the unreadable file). Returns when it has been dismissed.
  virtual void ShowCatalogueMessage(std::string_view gbk) = 0;
  // The catalogue is unusable: the GUI shows the text and ends the program,
  // the command-line front end prints it and exits with status 2. Should the
  // implementation return, the load simply fails.
  virtual void CatalogueFatal(std::string_view gbk) = 0;
  // A load refused for a capacity limit, with our description (the section
  // and the problem); for the run log or standard error.
  virtual void CatalogueFileError(std::string_view gbk) = 0;
  // A load that failed without a message (a missing file, a malformed range
  // or option list), with the reason. The window says nothing, as it always
  // has; the command-line front end prints it and exits with status 2.
  virtual void CatalogueNotLoaded(std::string_view /*gbk_reason*/) {}
};

// "dtuparam_s3.ini" or "dtuparam_s2.ini".
std::string_view CatalogueFileName(FileVariant variant);
// folder (with or without a trailing "/") + the file name.
std::string CataloguePath(const std::string& folder, FileVariant variant);

// Resets `into` and loads the catalogue from the bytes of a file. A failed load
// keeps whatever was read before the failure. The variant decides how codes
// are read: S3 "0x" + four hexadecimal digits, S2 decimal.
CatalogueLoadResult LoadCatalogueText(std::string_view bytes, FileVariant variant,
                                      CParamCatalogue& into);

// Resets `into` and loads CatalogueReadPath(folder, variant) (catalogue_source.h).
CatalogueLoadResult LoadCatalogueFile(const std::string& folder, FileVariant variant,
                                      CParamCatalogue& into);

// Loads into a fresh table outside the lock, then swaps it in under the write
// lock, whatever the result (a failed load leaves what it read, a missing file
// an empty table). Any thread; takes the catalogue lock only for the swap.
CatalogueLoadResult LoadCatalogue(SharedCatalogue& catalogue, const std::string& folder,
                                  FileVariant variant);

// What the view, the worker and the test run call: up to `attempts` loads
// until one succeeds. An unreadable file shows its message on every attempt;
// a fatal error is reported at once and ends the attempts; a capacity error
// is reported once after the last attempt, and so is a failure without a
// message (CatalogueNotLoaded). True when the catalogue loaded.
// The caller's folder is normally ProgramDirectory() (common/program_path.h).
bool LoadCatalogueWithRetries(SharedCatalogue& catalogue, const std::string& folder,
                              FileVariant variant, ICatalogueErrors& errors, int attempts = 5);

}  // namespace zt
