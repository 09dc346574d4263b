// Texts of the main window that more than one file of the shell uses.
#pragma once

#include <string_view>

#include "text/gbk_literal.h"

namespace zt::ui {
namespace shell_texts {

using namespace zt::literals;

// The window title, the caption of the exit question and of the about box.
inline constexpr std::string_view kAppTitle = "Tolvane 合并版 管理工具"_gbk;
// The application's own name: the caption of its prompts (the channel-mode
// question, the dialogs' input checks, the catalogue's messages).
inline constexpr std::string_view kAppName = "VarnTool"_gbk;

}  // namespace shell_texts

using shell_texts::kAppName;
using shell_texts::kAppTitle;

}  // namespace zt::ui
