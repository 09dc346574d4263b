#include "ui/config/custom_param_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"

namespace zt::ui {

using namespace zt::literals;

namespace {

// The two member labels are drawn in this blue on the dialog's background.
QLabel* MemberLabel(const std::string& gbk, const char* object_name, QWidget* parent) {
  auto* label = new QLabel(Qs(gbk), parent);
  label->setObjectName(object_name);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, QColor(45, 47, 255));
  label->setPalette(palette);
  label->setAutoFillBackground(false);
  return label;
}

}  // namespace

CCustomParamDlg::CCustomParamDlg(const std::optional<ParamDef>& length_member,
                                 const std::optional<ParamDef>& value_member,
                                 IMessageBox& messages, QWidget* parent)
    : QDialog(parent),
      length_member_(length_member),
      value_member_(value_member),
      messages_(messages) {
  setObjectName("customParamDlg");
  setWindowTitle(Qs("自定义参数设置"_gbk));
  setModal(true);

  const CustomPairDialogFields fields = CustomPairDialogOpen(
      length_member_ ? &*length_member_ : nullptr, value_member_ ? &*value_member_ : nullptr);

  length_ = new QSpinBox(this);
  length_->setObjectName("customLength");
  length_->setRange(0, std::numeric_limits<int>::max());
  length_->setValue(fields.length < 0 ? 0 : fields.length);

  value_ = new QLineEdit(this);
  value_->setObjectName("customValue");
  value_->setText(Qs(fields.value));
  value_->setMinimumWidth(320);

  hex_ = new QCheckBox(QStringLiteral("Hex"), this);
  hex_->setObjectName("customHex");
  hex_->setChecked(fields.hex);

  auto* hint = new QLabel(Qs(length_member_ ? fields.hint : std::string("(3 ~ 10)")), this);
  hint->setObjectName("customHint");
  hint->setWordWrap(true);

  auto* grid = new QGridLayout;
  grid->addWidget(MemberLabel(fields.length_label, "customLengthLabel", this), 0, 0);
  grid->addWidget(length_, 0, 1);
  grid->addWidget(hint, 0, 2);
  grid->addWidget(MemberLabel(fields.value_label, "customValueLabel", this), 1, 0);
  grid->addWidget(value_, 1, 1, 1, 2);
  grid->addWidget(hex_, 2, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(Qs("确定"_gbk));
  buttons->button(QDialogButtonBox::Cancel)->setText(Qs("取消"_gbk));
  connect(buttons, &QDialogButtonBox::accepted, this, &CCustomParamDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CCustomParamDlg::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons);
  length_->setFocus();
}

void CCustomParamDlg::accept() {
  CustomPairOutcome outcome =
      ConfirmCustomPair(length_member_ ? &*length_member_ : nullptr,
                        value_member_ ? &*value_member_ : nullptr, length_->value(),
                        Gbk(value_->text()), hex_->isChecked());
  if (!outcome.accepted()) {
    messages_.ShowMessage(outcome.refusal, RefusalCaption(), MessageIcon::kError);
    length_->setFocus();
    length_->selectAll();
    return;
  }
  outcome_ = std::move(outcome);
  QDialog::accept();
}

}  // namespace zt::ui
