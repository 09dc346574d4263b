// "自定义参数设置": the dialog that edits both members of a custom pair at once,
// a length and a content whose length must match it (a registration packet
// and its length, for instance). OK checks the two fields with
// ConfirmCustomPair and keeps the dialog open on a refusal; the caller stores
// the outcome with CommitCustomPair.
//
// The dialog works on copies of the two parameters, taken before it opens,
// so the catalogue lock is never held while it runs. UI thread only.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <optional>

#include "common/message_box.h"
#include "params/param_catalogue.h"
#include "params/validate_edit.h"

namespace zt::ui {

class CCustomParamDlg : public QDialog {
  Q_OBJECT

 public:
  // Either member may be missing (its half of the dialog stays empty).
  CCustomParamDlg(const std::optional<ParamDef>& length_member,
                  const std::optional<ParamDef>& value_member, IMessageBox& messages,
                  QWidget* parent);

  // After exec() returned Accepted: the two texts to store.
  const CustomPairOutcome& outcome() const { return outcome_; }

  // The fields, for tests.
  QSpinBox* LengthField() const { return length_; }
  QLineEdit* ValueField() const { return value_; }
  QCheckBox* HexBox() const { return hex_; }

 public slots:
  void accept() override;

 private:
  std::optional<ParamDef> length_member_;
  std::optional<ParamDef> value_member_;
  IMessageBox& messages_;
  QSpinBox* length_ = nullptr;
  QLineEdit* value_ = nullptr;
  QCheckBox* hex_ = nullptr;
  CustomPairOutcome outcome_;
};

}  // namespace zt::ui
