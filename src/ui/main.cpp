// zereltool: the main window of ZerelTool.
#include <QApplication>
#include <QSocketNotifier>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "paths/process_paths.h"
#include "serial/port_signals.h"
#include "ui/common/qt_text.h"
#include "ui/common/ui_font.h"
#include "ui/shell/app_files.h"
#include "ui/shell/app_options.h"
#include "ui/shell/dev_autorun.h"
#include "ui/shell/main_frame.h"
#include "ui/shell/shell_texts.h"

int main(int argc, char** argv) {
  using namespace zt::ui;
  // --help, --version and --paths work without a display.
  if (WantsHelp(std::vector<std::string>(argv + 1, argv + argc))) {
    std::cout << AppUsageText();
    return 0;
  }
  if (const auto answer = AnswerWithoutWindow(std::vector<std::string>(argv + 1, argv + argc))) {
    (answer->status == 0 ? std::cout : std::cerr) << answer->text;
    return answer->status;
  }

  QApplication app(argc, argv);  // takes Qt's own options out of argv
  QApplication::setApplicationName(Qs(kAppName));
  // Every text is Chinese: the whole window uses the CJK face the labels use.
  QFont font = QApplication::font();
  font.setFamily(CjkFontFamily());
  QApplication::setFont(font);
  const AppOptionsResult parsed = ParseAppOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.error.empty()) {
    std::cerr << "zereltool: " << parsed.error << "\n(zereltool --help shows the usage)\n";
    return 2;
  }
  const AppOptions& options = parsed.options;

  FrameOptions frame_options;
  frame_options.port_override = options.port;
  const std::string warning =
      UseFileLocations(zt::LocateProcessFiles(options.settings_file, options.catalogue_dir), frame_options);
  CMainFrame frame(FrameServices::Globals(), frame_options);
  if (!warning.empty()) frame.AddLogLine(warning);
  frame.show();

  if (options.auto_connect) {
    std::optional<QString> picture;
    if (options.screenshot_file) picture = QString::fromStdString(*options.screenshot_file);
    auto* autorun = new DevAutoRun(frame, picture);
    autorun->Start();
  }

  // SIGINT and SIGTERM end the window as its exit command does: the lock
  // files go in the handler, the port closes in the loop.
  int signal_pipe[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> on_signal;
  if (::pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) == 0) {
    zt::InstallPortCleanupOnSignals(signal_pipe[1]);
    on_signal = std::make_unique<QSocketNotifier>(signal_pipe[0], QSocketNotifier::Read);
    QObject::connect(on_signal.get(), &QSocketNotifier::activated, [&] {
      char signal_number = 0;
      if (::read(signal_pipe[0], &signal_number, 1) == 1) QApplication::exit(128 + signal_number);
    });
  }

  const int status = QApplication::exec();
  // The worker ends and is joined before the window goes.
  frame.Shutdown();
  return status;
}
