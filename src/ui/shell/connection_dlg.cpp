#include "ui/shell/connection_dlg.h"

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
  baud_list_ = new QComboBox(this);
  baud_list_->setObjectName(QStringLiteral("baud_list"));
  timeout_edit_ = new QLineEdit(this);
  timeout_edit_->setObjectName(QStringLiteral("timeout_edit"));
  password_edit_ = new QLineEdit(this);
  password_edit_->setObjectName(QStringLiteral("password_edit"));
  password_edit_->setEchoMode(QLineEdit::Password);
  password_edit_->setMaxLength(static_cast<int>(kMaxPasswordBytes));
  password_edit_->setValidator(new GbkLengthValidator(kMaxPasswordBytes, password_edit_));

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

  // The ports present now, sorted as text (COM10 comes before COM2).
  std::vector<std::string> ports = list_ports ? list_ports() : EnumeratePorts();
  std::sort(ports.begin(), ports.end());
  for (const std::string& name : ports) port_list_->addItem(Qs(name));
  for (const std::string& baud : BaudRateEntries()) baud_list_->addItem(Qs(baud));

  const ToolSettings current = settings_.Get();
  port_list_->setCurrentIndex(-1);
  for (int i = 0; i < port_list_->count(); ++i) {
    if (Gbk(port_list_->itemText(i)) == current.port_name) port_list_->setCurrentIndex(i);
  }
  baud_list_->setCurrentIndex(baud_list_->findText(QString::number(current.baud), Qt::MatchExactly));
  timeout_edit_->setText(QString::number(current.connect_timeout));
  // The current password is never shown.
  password_edit_->clear();
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
  const std::string password = Gbk(password_edit_->text());
  const std::string port_name =
      port_list_->currentIndex() < 0 ? std::string() : Gbk(port_list_->currentText());
  const std::uint32_t baud =
      baud_list_->currentIndex() < 0 ? 0u : static_cast<std::uint32_t>(Atoi(Gbk(baud_list_->currentText())));

  settings_.Update([&](ToolSettings& s) {
    s.connect_timeout = static_cast<std::uint16_t>(*timeout);
    s.password = password;
    s.port_name = port_name;
    s.baud = baud;
  });
  WriteConnectionSettings(settings_.Get().settings_path, port_name, *timeout, password, baud);
  // The open port keeps running, but the frame no longer counts it as open
  // for re-configuration until it is opened again.
  flags_.port_open.store(false);
  QDialog::accept();
}

}  // namespace zt::ui
