// The operator's texts about the port (GBK), shared by the window, the
// command line and the production test.
#pragma once

#include <string>
#include <string_view>

#include "serial/port_result.h"

namespace zt {

// The message for a failed open:
//   no such device     "打开串口失败: 串口不存在!"
//   permission denied  "没有串口 <device> 的访问权限：请把用户加入 <group> 组（sudo usermod -aG <group> $USER），然后重新登录"
//   a live lock file   "串口被 <program> (PID <n>) 占用"
//   busy               "打开串口失败: 串口已被其他程序占用!"
//   not a terminal     "打开串口失败: <device> 不是串口设备!"
//   speed refused      "串口不支持波特率 <baud>"
//   anything else      "打开串口失败: 串口已占用或其他错误!"
std::string OpenFailureText(const PortResult& result);

// A failed re-open of an open port (the parameter view, a line change):
// "修改串口参数失败", or the refused speed's text.
std::string ReopenFailureText(const PortResult& result);

// The caption of the port's message boxes.
std::string_view PortCaptionText();

// Run-log lines: the device went away while the port was open, and it came
// back and was opened again.
std::string DeviceRemovedText(std::string_view port_name);
std::string DeviceReturnedText(std::string_view port_name);

// Run-log notices of an open.
std::string NoLockFileText(std::string_view lock_folder);
std::string ModemManagerNoticeText(std::string_view device, std::string_view port_name);

}  // namespace zt
