#include "ui/update/view_update.h"

#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "settings/command_state_table.h"
#include "settings/process_flags.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"

namespace zt::ui {

using namespace zt::literals;

CViewUpdate::CViewUpdate(IFrameContext& frame, QWidget* parent) : CViewBase(frame, parent) {
  setObjectName("viewUpdate");

  // The picture area on the left stays empty: the page has no picture.
  auto* picture = new QFrame(this);
  picture->setObjectName("upgradePicture");
  picture->setFrameShape(QFrame::StyledPanel);
  picture->setMinimumWidth(160);

  auto* box = new QGroupBox(Qs("程序升级界面"_gbk), this);
  box->setObjectName("upgradeBox");
  path_field_ = new QLineEdit(box);
  path_field_->setObjectName("upgradeFilePath");
  path_field_->setReadOnly(true);
  browse_ = new QPushButton(Qs("浏  览"_gbk), box);
  browse_->setObjectName("browseButton");
  progress_ = new QProgressBar(box);
  progress_->setObjectName("upgradeProgress");
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  start_ = new QPushButton(Qs("开始升级"_gbk), box);
  start_->setObjectName("startUpgradeButton");
  cancel_ = new QPushButton(Qs("取消升级"_gbk), box);
  cancel_->setObjectName("cancelUpgradeButton");
  cancel_->setEnabled(false);  // nothing on this page enables it

  auto* grid = new QGridLayout(box);
  grid->addWidget(new QLabel(Qs("选择升级文件:"_gbk), box), 0, 0);
  grid->addWidget(path_field_, 0, 1);
  grid->addWidget(browse_, 0, 2);
  grid->addWidget(new QLabel(Qs("升级进度:"_gbk), box), 1, 0);
  grid->addWidget(progress_, 1, 1, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(start_);
  buttons->addWidget(cancel_);
  grid->addLayout(buttons, 2, 0, 1, 3);
  grid->setRowStretch(3, 1);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(picture, 0);
  layout->addWidget(box, 1);

  choose_ = [this] {
    // No filter, no default suffix, no initial name.
    return QFileDialog::getOpenFileName(this);
  };
  connect(browse_, &QPushButton::clicked, this, [this] { Browse(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { CancelUpgrade(); });
  // "开始升级" has no action.
}

CViewUpdate::~CViewUpdate() = default;

void CViewUpdate::Browse() {
  path_ = choose_();
  path_field_->setText(path_);
}

void CViewUpdate::CancelUpgrade() {
  frame().Flags().upgrade_cancel.store(true);
  frame().Commands().Clear(kCmdUnused4);
}

}  // namespace zt::ui
