// SerialNumberDialog ("扫描序列号"): the product number and IMEI of the
// finished unit on the bench. "确定" accepts numbers that pass the
// production test's checks and otherwise says why and stays open; there is
// no Cancel, Esc does nothing, and the close box closes it without an
// answer. A barcode scanner types the product number and Enter: Enter in the
// product number moves on to the IMEI, whose preset text is selected so the
// next scan replaces it; Enter in the IMEI presses "确定".
//
// UI thread only.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string_view>

#include "common/message_box.h"
#include "prodtest/test_view.h"

class QLineEdit;
class QPushButton;

namespace zt::ui {

class SerialNumberDialog : public QDialog {
  Q_OBJECT

 public:
  explicit SerialNumberDialog(QWidget* parent = nullptr);

  // The accepted numbers (GBK); nothing until "确定" accepted them.
  const std::optional<SerialNumbers>& Numbers() const { return numbers_; }

  // How a refusal is shown (GBK texts); the default is a modal message box
  // over the dialog.
  using ShowRefusal = std::function<void(std::string_view text, std::string_view caption, MessageIcon icon)>;
  void SetShowRefusal(ShowRefusal show) { show_refusal_ = std::move(show); }

  QLineEdit* ProductEdit() const { return product_; }
  QLineEdit* ImeiEdit() const { return imei_; }
  QPushButton* OkButton() const { return ok_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnOk();

  QLineEdit* product_ = nullptr;
  QLineEdit* imei_ = nullptr;
  QPushButton* ok_ = nullptr;
  std::optional<SerialNumbers> numbers_;
  ShowRefusal show_refusal_;
};

}  // namespace zt::ui
