#include "ui/prodtest/serial_number_dlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "prodtest/test_settings.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/common/ui_font.h"
#include "ui/shell/qt_message_box.h"

namespace zt::ui {

using namespace zt::literals;

namespace {

constexpr int kLabelFontPixels = 12;
constexpr int kEditWidth = 200;

bool IsEnter(const QKeyEvent* key) { return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter; }

}  // namespace

SerialNumberDialog::SerialNumberDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("serialNumberDialog"));
  setWindowTitle(Qs("扫描序列号"_gbk));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFont(CjkFont(kLabelFontPixels));

  product_ = new QLineEdit(this);
  product_->setObjectName(QStringLiteral("productEdit"));
  product_->setMinimumWidth(kEditWidth);
  imei_ = new QLineEdit(Qs(DefaultImeiText()), this);
  imei_->setObjectName(QStringLiteral("imeiEdit"));
  imei_->setMinimumWidth(kEditWidth);
  ok_ = new QPushButton(Qs("确定"_gbk), this);
  ok_->setObjectName(QStringLiteral("okButton"));
  ok_->setDefault(true);

  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel(Qs("产品编号："_gbk), this), 0, 0);
  fields->addWidget(product_, 0, 1);
  fields->addWidget(new QLabel(Qs("IMEI号："_gbk), this), 1, 0);
  fields->addWidget(imei_, 1, 1);
  fields->addWidget(new QLabel(Qs("(14位或15位数字)"_gbk), this), 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(buttons);

  product_->installEventFilter(this);
  connect(ok_, &QPushButton::clicked, this, &SerialNumberDialog::OnOk);
  show_refusal_ = [this](std::string_view text, std::string_view caption, MessageIcon icon) {
    ShowMessageBox(this, text, caption, icon);
  };
  product_->setFocus();
}

void SerialNumberDialog::keyPressEvent(QKeyEvent* event) {
  // Esc would reject the dialog; only the close box ends it unanswered.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool SerialNumberDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == product_ && event->type() == QEvent::KeyPress && IsEnter(static_cast<QKeyEvent*>(event))) {
    // The scanner ends the product number with Enter: the IMEI comes next.
    imei_->setFocus(Qt::TabFocusReason);
    imei_->selectAll();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void SerialNumberDialog::OnOk() {
  const std::string product = Gbk(product_->text());
  const std::string imei = Gbk(imei_->text());
  const SerialNumberVerdict verdict = CheckSerialNumbers(product, imei);
  if (verdict.accepted) {
    numbers_ = SerialNumbers{product, imei};
    accept();
    return;
  }
  if (show_refusal_) show_refusal_(verdict.refusal, SerialNumberCaption(), MessageIcon::kError);
  if (verdict.clear_product) product_->clear();
  QLineEdit* focus = verdict.focus == SerialNumberVerdict::Focus::kImei ? imei_ : product_;
  focus->setFocus();
}

}  // namespace zt::ui
