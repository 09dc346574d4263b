// Development aids of zereltool's command line: open the port and connect to
// the DTU at start (--connect), and save a picture of the window once the
// DTU's values are shown, then end (--screenshot FILE). ./run.sh uses them
// for its screenshot; the tool's operators never need them.
#pragma once

#include <QObject>
#include <QString>
#include <optional>

namespace zt::ui {

class CMainFrame;

class DevAutoRun : public QObject {
  Q_OBJECT

 public:
  // How long a connect may take before the picture is taken anyway.
  static constexpr int kConnectLimitMs = 90'000;

  DevAutoRun(CMainFrame& frame, std::optional<QString> screenshot_file);

  // Starts once the event loop runs.
  void Start();

 private:
  void OnCommandFinished(unsigned message, bool succeeded);
  void WaitUntilIdle();
  void Finish(bool succeeded);

  CMainFrame& frame_;
  std::optional<QString> screenshot_file_;
  bool connect_succeeded_ = false;
  bool finished_ = false;
};

}  // namespace zt::ui
