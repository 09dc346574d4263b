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

// The log file ("保存日志").
inline constexpr std::string_view kLogOpenFailed = "无法创建日志文件: %s"_gbk;
inline constexpr std::string_view kLogWriteFailed = "写日志文件失败, 日志已停止: %s"_gbk;
inline constexpr std::string_view kLogStarted = "AT界面日志文件: %s\r\n"_gbk;

// Command sequences. Formats take the step's number (from 1).
inline constexpr std::string_view kSequenceEmpty = "命令序列中没有步骤"_gbk;
inline constexpr std::string_view kSequenceBadHex = "命令序列第%d步: 数据是错误的HEX字符串"_gbk;
inline constexpr std::string_view kSequenceNothingToSend = "命令序列第%d步: 没有要发送的内容"_gbk;
inline constexpr std::string_view kSequenceNothingToWaitFor = "命令序列第%d步: 没有要等待的内容"_gbk;
inline constexpr std::string_view kSequenceBadTime = "命令序列第%d步: 时间超出范围(0~3600000ms)"_gbk;
// The step's number and the text it waited for.
inline constexpr std::string_view kSequenceTimedOut = "命令序列第%d步: 等待\"%s\"超时, 序列已停止"_gbk;
inline constexpr std::string_view kSequencePassed = "命令序列执行完毕"_gbk;
inline constexpr std::string_view kSequenceStopped = "命令序列在第%d步被停止"_gbk;
inline constexpr std::string_view kSequenceProgress = "第%d/%d步"_gbk;
inline constexpr std::string_view kSequenceFileUnreadable = "读取命令序列文件失败"_gbk;
inline constexpr std::string_view kSequenceFileUnwritable = "保存命令序列文件失败"_gbk;

}  // namespace zt::terminal_texts
