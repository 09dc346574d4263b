#include "ui/shell/about_dlg.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/common/ui_font.h"
#include "ui/shell/shell_texts.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

constexpr std::string_view kVersionLine = "Tolvane 管理工具 4.0.1版"_gbk;
constexpr std::string_view kRightsLine = "版权所有 (C) Tolvane 通信 保留所有权利"_gbk;

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("about_dialog"));
  setWindowTitle(Qs("关于 "_gbk) + Qs(kAppTitle));
  setFont(CjkFont(12, 400));
  setModal(true);

  auto* icon = new QLabel(this);
  icon->setPixmap(QApplication::style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
  auto* version = new QLabel(Qs(kVersionLine), this);
  version->setObjectName(QStringLiteral("about_version"));
  auto* rights = new QLabel(Qs(kRightsLine), this);
  rights->setObjectName(QStringLiteral("about_rights"));
  auto* ok = new QPushButton(Qs("确定"_gbk), this);
  ok->setObjectName(QStringLiteral("ok_button"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* texts = new QVBoxLayout;
  texts->addWidget(version);
  texts->addWidget(rights);
  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addLayout(texts, 1);
  top->addWidget(ok, 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
}

}  // namespace zt::ui
