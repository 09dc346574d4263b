#include "serial/port_texts.h"

#include "text/gbk_literal.h"
#include "text/strformat.h"

namespace zt {

using namespace zt::literals;

std::string OpenFailureText(const PortResult& result) {
  switch (result.kind) {
    case PortErrorKind::kNoSuchDevice: return std::string("打开串口失败: 串口不存在!"_gbk);
    case PortErrorKind::kPermissionDenied: {
      const std::string group = result.device_group.empty() ? std::string("dialout") : result.device_group;
      return Format("没有串口 %s 的访问权限：请把用户加入 %s 组（sudo usermod -aG %s $USER），然后重新登录"_gbk,
                    result.device, group, group);
    }
    case PortErrorKind::kLockedBy: {
      const std::string program = result.holder_program.empty() ? std::string("?") : result.holder_program;
      return Format("串口被 %s (PID %ld) 占用"_gbk, program, result.holder_pid);
    }
    case PortErrorKind::kBusy: return std::string("打开串口失败: 串口已被其他程序占用!"_gbk);
    case PortErrorKind::kNotATerminal: return Format("打开串口失败: %s 不是串口设备!"_gbk, result.device);
    case PortErrorKind::kBaudRefused: return Format("串口不支持波特率 %u"_gbk, result.baud);
    case PortErrorKind::kNone:
    case PortErrorKind::kNotOpen:
    case PortErrorKind::kOther: break;
  }
  return std::string("打开串口失败: 串口已占用或其他错误!"_gbk);
}

std::string ReopenFailureText(const PortResult& result) {
  if (result.kind == PortErrorKind::kBaudRefused) return OpenFailureText(result);
  return std::string("修改串口参数失败"_gbk);
}

std::string_view PortCaptionText() { return "提示"_gbk; }

std::string DeviceRemovedText(std::string_view port_name) {
  return Format("串口 %s 的设备已移除，串口已关闭"_gbk, std::string(port_name));
}

std::string DeviceReturnedText(std::string_view port_name) {
  return Format("串口 %s 的设备已重新连接，串口已重新打开"_gbk, std::string(port_name));
}

std::string NoLockFileText(std::string_view lock_folder) {
  return Format("无法在 %s 中建立串口锁文件，串口在没有锁文件的情况下打开"_gbk, std::string(lock_folder));
}

std::string ModemManagerNoticeText(std::string_view device, std::string_view port_name) {
  return Format(
      "ModemManager 正在运行，它可能向 %s 发送AT指令或占用串口：请运行 zereltool-cli ports --udev-rule %s "
      "生成 udev 规则放入 /etc/udev/rules.d/，或停止 ModemManager (sudo systemctl stop ModemManager)"_gbk,
      std::string(device), std::string(port_name));
}

}  // namespace zt
