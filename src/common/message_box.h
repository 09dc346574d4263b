// The core never shows a window. Where the tool tells the operator something
// in a message box (refused input, a port that will not open), the core calls
// this interface; the GUI shows a modal box, the command-line front end prints.
//
// Texts are GBK. ShowMessage may be called from any thread and returns when
// the operator has dismissed the message (the GUI blocks the calling thread
// until the box on the UI thread is closed).
#pragma once

#include <string_view>

namespace zt {

enum class MessageIcon {
  kNone,
  kError,        // the stop / error icon
  kExclamation,  // the warning icon
  kQuestion,
  kInformation,
};

class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  virtual void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) = 0;
};

}  // namespace zt
