// The AT terminal's own texts: its messages, their captions and the run-log
// line of a save. GBK, shown by the window through the same literals.
#pragma once

#include <string_view>

#include "text/gbk_literal.h"

namespace zt::terminal_texts {

using namespace zt::literals;

// Input errors of the terminal carry this caption; a failed save "提示".
inline constexpr std::string_view kInputErrorCaption = "错误提示"_gbk;
inline constexpr std::string_view kNoticeCaption = "提示"_gbk;

inline constexpr std::string_view kForeignHexCharacter = "输入中有超出16进制范围的字符"_gbk;
inline constexpr std::string_view kMalformedHex = "数据是错误的HEX字符串"_gbk;
inline constexpr std::string_view kCommandTooLong = "输入的AT指令太长，请重新输入长度不大于1024的指令！"_gbk;
inline constexpr std::string_view kHexKeyRefused =
    "请输入有效的HEX字符组合(\"0~9\",\"a~f\",\"A~F\",\" \")!"_gbk;
inline constexpr std::string_view kSaveFileFailed = "打开保存参数配置文件失败"_gbk;
inline constexpr std::string_view kSavedPrefix = "保存调试信息成功, 保存的路径是:"_gbk;

}  // namespace zt::terminal_texts
