// The firmware upgrade page (view id 130): a file picker, a progress bar and
// the start and cancel buttons. Choosing a file is all the page does; the
// upgrade itself belongs to the production test, and no menu or toolbar
// command of the frame leads here (the view switch builds it for its id).
//
// UI thread only.
#pragma once

#include <QString>
#include <functional>

#include "ui/shell/view_base.h"

class QLineEdit;
class QProgressBar;
class QPushButton;

namespace zt::ui {

class CViewUpdate : public CViewBase {
  Q_OBJECT

 public:
  CViewUpdate(IFrameContext& frame, QWidget* parent);
  ~CViewUpdate() override;

  int ViewId() const override { return kViewUpdate; }

  // "浏  览": whatever the file dialog gives becomes the chosen path, so a
  // cancelled dialog empties it.
  void Browse();
  // "取消升级": raises the process-wide upgrade-cancel flag and clears
  // command-state entry 4.
  void CancelUpgrade();

  const QString& ChosenPath() const { return path_; }

  // The file dialog; returns the chosen path or an empty one. Replaceable
  // for tests; the default is the standard open dialog with no filter.
  using FileChooser = std::function<QString()>;
  void SetFileChooser(FileChooser chooser) { choose_ = std::move(chooser); }

 private:
  QString path_;
  QLineEdit* path_field_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* browse_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* cancel_ = nullptr;
  FileChooser choose_;
};

}  // namespace zt::ui
