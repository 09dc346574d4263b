// CConnectionDlg: "连接设置". The operator picks the port, the baud rate,
// the production test's connect timeout, the DTU login password and
// "自动重连" (reopen the port when its device comes back). OK stores them in
// ToolSettings and in section "SET" of tool_set.ini; the port itself is
// neither opened, closed nor re-configured here.
//
// The port list shows each port with its description ("ttyUSB0 — FT232R USB
// UART (0403:6001, A50285BI)"); choosing one stores its stable name (the
// /dev/serial/by-id link) when it has one, COM<n> for a UART, else its
// device path. The port in force is always listed and selected, also when
// the probe does not find it. The password field starts empty; left
// untouched, OK keeps the stored password.
#pragma once

#include <QDialog>
#include <QValidator>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/message_box.h"
#include "serial/port_list.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace zt::ui {

inline constexpr unsigned kMinConnectTimeout = 5;
inline constexpr unsigned kMaxConnectTimeout = 1000;

// The timeout field's text as a whole number of seconds from 5 to 1000
// (blanks around it allowed); nothing for anything else.
std::optional<unsigned> ParseConnectTimeout(std::string_view text);

// The baud rates offered, in their order.
const std::vector<std::string>& BaudRateEntries();

// A port list entry's text: its label, "COM<n> — ttyS<n-1> ..." for a UART,
// the bare name when nothing else is known (UTF-8).
std::string PortChoiceText(const PortInfo& port);

// Accepts a text while its GBK form is at most `max_bytes` long (the
// password field holds six bytes, as the DTU's login does).
class GbkLengthValidator final : public QValidator {
 public:
  GbkLengthValidator(std::size_t max_bytes, QObject* parent) : QValidator(parent), max_bytes_(max_bytes) {}
  State validate(QString& input, int& pos) const override;

 private:
  std::size_t max_bytes_;
};

class CConnectionDlg : public QDialog {
  Q_OBJECT

 public:
  using PortLister = std::function<std::vector<PortInfo>()>;

  // `list_ports` probes the ports (ListPorts unless a test gives its own).
  CConnectionDlg(ToolSettingsStore& settings, ProcessFlags& flags, IMessageBox& messages, QWidget* parent,
                 PortLister list_ports = {});

  // OK: checks the timeout, then stores and writes the settings.
  void accept() override;

 private:
  ToolSettingsStore& settings_;
  ProcessFlags& flags_;
  IMessageBox& messages_;
  QComboBox* port_list_ = nullptr;
  QComboBox* baud_list_ = nullptr;
  QLineEdit* timeout_edit_ = nullptr;
  QLineEdit* password_edit_ = nullptr;
  QCheckBox* auto_reconnect_ = nullptr;
};

}  // namespace zt::ui
