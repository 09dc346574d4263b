// --version and --paths of the window, answered before any window exists.
// The window of an installed tool: its files located as zereltool locates
// them for a program in <root>/usr/bin/, the real main window started with
// them, the catalogue found in <root>/usr/share/zereltool/, and "完成" of the
// common-parameter manager writing the user's copy of the catalogue. Nothing
// is written under <root>/usr/.
//
// <root> is $ZT_INSTALLED_ROOT when set (tests/package/check_package.sh
// points it at the extracted package and sets HOME and the XDG variables);
// otherwise a tree made here from the shipped data files, with a home folder
// of its own.
#include <sys/stat.h>

#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "params/catalogue_loader.h"
#include "params/catalogue_source.h"
#include "paths/process_paths.h"
#include "settings/command_state_table.h"
#include "settings/process_flags.h"
#include "settings/tool_settings.h"
#include "support/file_listing.h"
#include "support/shell_modal.h"
#include "support/temp_dir.h"
#include "text/atomic_file.h"
#include "ui/config/common_param_dlg.h"
#include "ui/shell/app_files.h"
#include "ui/shell/main_frame.h"
#include "zereltool/version.h"

using namespace zt;
namespace fs = std::filesystem;

namespace {

using zt::test::Listing;
using zt::test::ModeOf;

// The installed tree: the extracted package, or one made here.
struct InstalledRoot {
  InstalledRoot() {
    if (const char* given = std::getenv("ZT_INSTALLED_ROOT"); given != nullptr && *given != '\0') {
      root = given;
      return;
    }
    root = dir.path();
    fs::create_directories(root + "/usr/bin");
    fs::create_directories(root + "/usr/share/zereltool");
    for (const char* name : {"dtuparam_s3.ini", "dtuparam_s2.ini"}) {
      fs::copy_file(fs::path(ZT_SOURCE_DATA_DIR) / name, root + "/usr/share/zereltool/" + name);
    }
    qputenv("HOME", QByteArray::fromStdString(dir.File("home")));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
  }
  std::string Shipped(const char* name) const { return root + "/usr/share/zereltool/" + name; }

  test::TempDir dir;  // the made tree, the work file
  std::string root;
};

QTreeWidgetItem* FirstParameter(const QTreeWidget& tree) {
  for (int i = 0; i < tree.topLevelItemCount(); ++i) {
    if (tree.topLevelItem(i)->childCount() > 0) return tree.topLevelItem(i)->child(0);
  }
  return nullptr;
}

}  // namespace

class TestInstalledLayout : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    SetPrivateFolder("");
    SetShippedCatalogueFolder("", "");
  }

  void versionAndPathsAreAnsweredWithoutAWindow() {
    const auto version = ui::AnswerWithoutWindow({"--version"});
    QVERIFY(version.has_value());
    QCOMPARE(version->text, std::string("zereltool ") + kVersion + "\n");
    QCOMPARE(version->status, 0);
    const auto paths = ui::AnswerWithoutWindow({"--paths", "--settings", "/tmp/given.ini"});
    QVERIFY(paths.has_value());
    QVERIFY2(paths->text.find("tool_set.ini: /tmp/given.ini\n    --settings\n") != std::string::npos,
             paths->text.c_str());
    QVERIFY(paths->text.rfind("layout: ", 0) == 0);
    const auto refused = ui::AnswerWithoutWindow({"--paths", "--frobnicate"});
    QVERIFY(refused.has_value());
    QCOMPARE(refused->status, 2);
    QVERIFY(!ui::AnswerWithoutWindow({"--port", "COM2"}).has_value());
  }

  void theWindowReadsTheShippedCatalogueAndFinishWritesTheUsersCopy() {
    InstalledRoot tree;
    const std::string shipped_s3 = test::ReadFileBytes(tree.Shipped("dtuparam_s3.ini"));
    QVERIFY(!shipped_s3.empty());
    const std::vector<std::string> before = Listing(tree.root + "/usr");

    const FileLocations files =
        LocateFiles(PathInputsFor(tree.root + "/usr/bin/", std::nullopt, std::nullopt));
    QCOMPARE(files.layout, FileLayout::kInstalled);
    QCOMPARE(files.catalogue_s3.path, tree.Shipped("dtuparam_s3.ini"));
    ui::FrameOptions options;
    options.work_folder = tree.dir.path();
    QCOMPARE(ui::UseFileLocations(files, options), std::string());
    QCOMPARE(*options.settings_file, files.user_folder + "tool_set.ini");
    QCOMPARE(options.quick_send_file, files.user_folder + "cmd.ini");

    ProcessFlags flags;
    ToolSettingsStore settings;
    SharedCatalogue catalogue;
    CommandStateTable commands;
    auto frame =
        std::make_unique<ui::CMainFrame>(ui::FrameServices{catalogue, flags, settings, commands}, options);
    frame->SetExitHandler([](int) {});
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
    // The parameter view loads the catalogue at its start: the shipped one.
    QVERIFY(shelltest::WaitFor(
        [&] { return catalogue.Read([](const CParamCatalogue& c) { return c.group_count; }) > 0; }));

    {
      ui::CCommonParamDlg dialog(*frame, nullptr);
      dialog.setModal(false);
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
      QTest::mouseClick(dialog.findChild<QPushButton*>("deleteAllButton"), Qt::LeftButton);
      QTreeWidget& list_tree = *dialog.Tree();
      QTreeWidgetItem* item = FirstParameter(list_tree);
      QVERIFY(item != nullptr);
      list_tree.scrollToItem(item);
      QTest::mouseClick(list_tree.viewport(), Qt::LeftButton, {}, list_tree.visualItemRect(item).center());
      QTest::mouseClick(dialog.findChild<QPushButton*>("addButton"), Qt::LeftButton);
      QTest::mouseClick(dialog.findChild<QPushButton*>("finishButton"), Qt::LeftButton);
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    const std::string copy = files.user_folder + "dtuparam_s3.ini";
    const std::string copied = test::ReadFileBytes(copy);
    QVERIFY(!copied.empty());
    QVERIFY(copied != shipped_s3);
    QCOMPARE(ModeOf(copy), mode_t(0600));
    QCOMPARE(ModeOf(files.user_folder), mode_t(0700));
    QCOMPARE(CatalogueReadPath(files.catalogue_folder, FileVariant::kS3), copy);
    QCOMPARE(test::ReadFileBytes(tree.Shipped("dtuparam_s3.ini")), shipped_s3);

    frame->Shutdown();
    frame.reset();
    QCOMPARE(Listing(tree.root + "/usr"), before);
  }
};

QTEST_MAIN(TestInstalledLayout)
#include "tst_installed_layout.moc"
