#include "ui/shell/connection_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "serial/serial_port.h"
#include "text/gbk_literal.h"
#include "text/numbers.h"
#include "ui/common/qt_text.h"
#include "ui/common/ui_font.h"
#include "ui/shell/shell_texts.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

constexpr int kFontPixels = 12;

QLabel* MakeLabel(std::string_view gbk, QWidget* parent) {
  auto* label = new QLabel(Qs(gbk), parent);
  label->setFont(CjkFont(kFontPixels, 400));
  return label;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<unsigned> ParseConnectTimeout(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (text.empty() || text.size() > 4) return std::nullopt;  // 1000 has four digits
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value < kMinConnectTimeout || value > kMaxConnectTimeout) return std::nullopt;
  return value;
}

const std::vector<std::string>& BaudRateEntries() {
  static const std::vector<std::string> entries = {"110",   "300",    "600",    "1200",  "2400",
                                                   "4800",  "9600",   "14400",  "19200", "38400",
                                                   "57600", "115200", "128000", "256000"};
  return entries;
}

std::string PortChoiceText(const PortInfo& port) {
  if (port.kernel_name.empty()) return port.name;
  if (port.name.rfind("COM", 0) == 0) {
    const std::string description = port.Description();
    return port.name + " \xE2\x80\x94 " + port.kernel_name + (description.empty() ? "" : " (" + description + ")");
  }
  return port.Label();
}

QValidator::State GbkLengthValidator::validate(QString& input, int& /*pos*/) const {
  return Gbk(input).size() <= max_bytes_ ? Acceptable : Invalid;
}

CConnectionDlg::CConnectionDlg(ToolSettingsStore& settings, ProcessFlags& flags, IMessageBox& messages,
                               QWidget* parent, PortLister list_ports)
    : QDialog(parent), settings_(settings), flags_(flags), messages_(messages) {
  setObjectName(QStringLiteral("connection_dialog"));
  setWindowTitle(Qs("连接设置"_gbk));
  setFont(CjkFont(kFontPixels, 400));
  setModal(true);

  port_list_ = new QComboBox(this);
  port_list_->setObjectName(QStringLiteral("port_list"));
  // A port the probe cannot see can be typed: a device path, or a port on
  // another machine (rfc2217://HOST:PORT, tcp://HOST:PORT).
  port_list_->setEditable(true);
  port_list_->setInsertPolicy(QComboBox::NoInsert);
  port_list_->lineEdit()->setValidator(new GbkLengthValidator(kMaxPortNameBytes, port_list_));
  baud_list_ = new QComboBox(this);
  baud_list_->setObjectName(QStringLiteral("baud_list"));
  timeout_edit_ = new QLineEdit(this);
  timeout_edit_->setObjectName(QStringLiteral("timeout_edit"));
  password_edit_ = new QLineEdit(this);
  password_edit_->setObjectName(QStringLiteral("password_edit"));
  password_edit_->setEchoMode(QLineEdit::Password);
  password_edit_->setMaxLength(static_cast<int>(kMaxPasswordBytes));
  password_edit_->setValidator(new GbkLengthValidator(kMaxPasswordBytes, password_edit_));
  auto_reconnect_ = new QCheckBox(Qs("自动重连"_gbk), this);
  auto_reconnect_->setObjectName(QStringLiteral("auto_reconnect"));

  auto* grid = new QGridLayout;
  grid->addWidget(MakeLabel("串口号:"_gbk, this), 0, 0);
  grid->addWidget(port_list_, 0, 1);
  grid->addWidget(MakeLabel("波特率:"_gbk, this), 1, 0);
  grid->addWidget(baud_list_, 1, 1);
  grid->addWidget(MakeLabel("DTU连接超时:"_gbk, this), 2, 0);
  grid->addWidget(timeout_edit_, 2, 1);
  grid->addWidget(MakeLabel("(单位:秒,5-1000)"_gbk, this), 2, 2);
  grid->addWidget(MakeLabel("登录密码:"_gbk, this), 3, 0);
  grid->addWidget(password_edit_, 3, 1);
  grid->addWidget(MakeLabel("(6位以内)"_gbk, this), 3, 2);
  grid->addWidget(auto_reconnect_, 4, 1);

  auto* ok = new QPushButton(Qs("确  定"_gbk), this);
  ok->setObjectName(QStringLiteral("ok_button"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(Qs("取  消"_gbk), this);
  cancel->setObjectName(QStringLiteral("cancel_button"));
  connect(ok, &QPushButton::clicked, this, &CConnectionDlg::accept);
  connect(cancel, &QPushButton::clicked, this, &CConnectionDlg::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  // The ports present now, sorted by their text (COM10 comes before COM2);
  // each entry carries the name that OK stores.
  const ToolSettings current = settings_.Get();
  std::vector<PortInfo> ports = list_ports ? list_ports() : ListPorts();
  std::vector<std::pair<std::string, std::string>> entries;  // text, name
  for (const PortInfo& port : ports) entries.emplace_back(PortChoiceText(port), port.name);
  std::sort(entries.begin(), entries.end());
  for (const auto& [text, name] : entries) port_list_->addItem(QString::fromStdString(text), Qs(name));
  for (const std::string& baud : BaudRateEntries()) baud_list_->addItem(Qs(baud));

  // The port in force is always there and chosen: a path typed earlier, a
  // by-id link, a port another program holds. Names compare as bytes.
  port_list_->setCurrentIndex(-1);
  for (int i = 0; i < port_list_->count(); ++i) {
    if (Gbk(port_list_->itemData(i).toString()) == current.port_name) port_list_->setCurrentIndex(i);
  }
  if (port_list_->currentIndex() < 0 && !current.port_name.empty()) {
    const PortInfo* known = FindPort(ports, current.port_name);
    QString text = Qs(current.port_name);
    if (known != nullptr) text += QString::fromStdString(" \xE2\x80\x94 " + known->Label());
    port_list_->addItem(text, Qs(current.port_name));
    port_list_->setCurrentIndex(port_list_->count() - 1);
  }
  baud_list_->setCurrentIndex(baud_list_->findText(QString::number(current.baud), Qt::MatchExactly));
  timeout_edit_->setText(QString::number(current.connect_timeout));
  // The current password is never shown.
  password_edit_->clear();
  auto_reconnect_->setChecked(current.auto_reconnect);
}

void CConnectionDlg::accept() {
  const std::optional<unsigned> timeout = ParseConnectTimeout(Gbk(timeout_edit_->text()));
  if (!timeout) {
    messages_.ShowMessage("DTU连接超时请输入5到1000之间的整数(单位:秒)。"_gbk, kAppName,
                          MessageIcon::kExclamation);
    timeout_edit_->setFocus();
    timeout_edit_->selectAll();
    return;
  }
  const ToolSettings before = settings_.Get();
  // A field nobody typed in keeps the stored password (an empty one is
  // still stored when the operator cleared what he typed).
  const bool password_touched = password_edit_->isModified() || !password_edit_->text().isEmpty();
  const std::string password = password_touched ? Gbk(password_edit_->text()) : before.password;
  // A listed entry stores the name it carries; a typed one, what was typed.
  const int listed = port_list_->findText(port_list_->currentText(), Qt::MatchExactly);
  std::string port_name = listed >= 0 ? Gbk(port_list_->itemData(listed).toString())
                                      : Gbk(port_list_->currentText().trimmed());
  if (port_name.empty()) port_name = before.port_name;  // an emptied field names no port
  const bool auto_reconnect = auto_reconnect_->isChecked();
  const std::uint32_t baud =
      baud_list_->currentIndex() < 0 ? 0u : static_cast<std::uint32_t>(Atoi(Gbk(baud_list_->currentText())));

  settings_.Update([&](ToolSettings& s) {
    s.connect_timeout = static_cast<std::uint16_t>(*timeout);
    s.password = password;
    s.port_name = port_name;
    s.baud = baud;
    s.auto_reconnect = auto_reconnect;
  });
  WriteConnectionSettings(before.settings_path, port_name, *timeout, password, baud);
  if (auto_reconnect != before.auto_reconnect) WriteAutoReconnect(before.settings_path, auto_reconnect);
  // The open port keeps running, but the frame no longer counts it as open
  // for re-configuration until it is opened again.
  flags_.port_open.store(false);
  QDialog::accept();
}

}  // namespace zt::ui
