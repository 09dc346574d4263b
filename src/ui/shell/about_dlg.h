// The about box: the tool's name and version and the rights notice.
#pragma once

#include <QDialog>

namespace zt::ui {

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent);
};

}  // namespace zt::ui
