// Configuration files from the parameter view: the file dialogs' requests,
// export then import through the dialog seam, and the messages and run-log
// lines of each outcome.
#include <QApplication>
#include <QFileDialog>
#include <QTest>
#include <QTimer>
#include <optional>
#include <string>

#include "support/config_view_driver.h"
#include "support/temp_dir.h"
#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"
#include "ui/config/config_file_commands.h"

using namespace zt::literals;
using zt::ui::ConfigFileDialogRequest;
using zt::ui::Qs;
using zt::ui::test::ConfigTestFrame;
using zt::ui::test::ConfigViewDriver;

namespace {

constexpr int kSystem = 1;
constexpr int kDeviceName = 4;   // 设备名称, common
constexpr int kNetwork = 3;
constexpr int kApn = 0;          // 接入点名称, common
constexpr int kApnPassword = 2;  // APN密码, password
constexpr int kRunning = 4;
constexpr int kChannelMode = 6;  // DTU通道运行模式
constexpr int kChannel1Sin = 11;
constexpr int kServerPort = 2;   // SVRPORT of a channel group

// A chooser that answers with `answer` and remembers what it was asked.
struct ScriptedChooser {
  std::optional<QString> answer;
  std::vector<ConfigFileDialogRequest> asked;
  zt::ui::ConfigFileChooser Bind() {
    return [this](const ConfigFileDialogRequest& request) {
      asked.push_back(request);
      return answer;
    };
  }
};

// A catalogue with values worth carrying through a file.
void FillValues(ConfigViewDriver& d) {
  d.SetValue(kSystem, kDeviceName, "ZR-line7");
  d.SetValue(kNetwork, kApn, "CMIOT");
  d.SetValue(kNetwork, kApnPassword, "s3cret");
  d.SetValue(kRunning, kChannelMode, "SIN");
  d.SetValue(kChannel1Sin, kServerPort, "5001");
}

}  // namespace

class ConfigFileTest : public QObject {
  Q_OBJECT

 private slots:
  void theDialogsAskWithTheDefaultNameAndFilter();
  void theFilterTakesQtsForm();
  void exportThenImportRoundTripsTheValues();
  void aCancelledExportSaysNothing();
  void aCancelledImportRedrawsTheValues();
  void anEmptyImportPathIsRefused();
  void anImportOfAFileThatLacksEntriesSaysHowMany();
  void anImportOfAnotherModeIsRefusedAndStoresNothing();
  void anExportThatCannotCreateTheFileSaysSo();
  void theRealSaveDialogProposesTheDefaultName();
};

void ConfigFileTest::theDialogsAskWithTheDefaultNameAndFilter() {
  ScriptedChooser chooser;
  {
    ConfigViewDriver d;
    d.view->SetFileChooser(chooser.Bind());
    d.view->ExportCommand();
    d.view->ImportCommand();
  }
  ConfigViewDriver s2([](ConfigTestFrame& f) { f.flags.file_variant = zt::FileVariant::kS2; });
  s2.view->SetFileChooser(chooser.Bind());
  s2.view->ExportCommand();
  QCOMPARE(chooser.asked.size(), size_t{3});
  QVERIFY(chooser.asked[0].kind == ConfigFileDialogRequest::Kind::kSave);
  QCOMPARE(chooser.asked[0].default_name, QString("config_s3"));
  QCOMPARE(chooser.asked[0].filter, Qs("配置文件(*.ini)"_gbk));
  QVERIFY(chooser.asked[1].kind == ConfigFileDialogRequest::Kind::kOpen);
  QVERIFY(chooser.asked[1].default_name.isEmpty());
  QCOMPARE(chooser.asked[1].filter, Qs("配置文件(*.ini)"_gbk));
  QCOMPARE(chooser.asked[2].default_name, QString("config_s2"));
}

void ConfigFileTest::theFilterTakesQtsForm() {
  QCOMPARE(zt::ui::QtNameFilter("配置文件(*.ini)|*.ini||"_gbk), Qs("配置文件(*.ini)"_gbk));
  QCOMPARE(zt::ui::QtNameFilter("Text|*.txt;*.log|All|*.*||"),
           QString("Text (*.txt *.log);;All (*.*)"));
}

void ConfigFileTest::exportThenImportRoundTripsTheValues() {
  zt::test::TempDir dir;
  ConfigViewDriver d;
  FillValues(d);
  ScriptedChooser chooser;
  chooser.answer = QString::fromStdString(dir.File("line7"));
  d.view->SetFileChooser(chooser.Bind());
  d.view->ExportCommand();
  QVERIFY(d.frame.messages.shown.empty());
  const std::string path = dir.File("line7.ini");
  QCOMPARE(d.frame.log.size(), size_t{1});
  QCOMPARE(d.frame.log[0], std::string("导出参数到配置文件成功, 文件路径是:"_gbk) + path + "\r\n");
  const std::string file = zt::test::ReadFileBytes(path);
  std::string apn_entry("[网络参数]"_gbk);
  apn_entry += "\r\n";
  apn_entry += "接入点名称=CMIOT"_gbk;
  QVERIFY(file.find(apn_entry) != std::string::npos);

  // Change everything, tick a row, and show the network group.
  d.SetValue(kSystem, kDeviceName, "other");
  d.SetValue(kNetwork, kApn, "CMNET");
  d.SetValue(kNetwork, kApnPassword, "x");
  d.SetValue(kChannel1Sin, kServerPort, "1");
  d.ShowGroup(kNetwork);
  d.SetRowChecked(d.Row(kApn), true);
  chooser.answer = QString::fromStdString(path);
  d.view->ImportCommand();
  QVERIFY(d.frame.messages.shown.empty());
  QCOMPARE(d.frame.log.size(), size_t{2});
  QCOMPARE(d.frame.log[1], std::string("导入参数配置文件成功, 文件名:"_gbk) + path + "\r\n");
  QCOMPARE(d.Value(kSystem, kDeviceName), std::string("ZR-line7"));
  QCOMPARE(d.Value(kNetwork, kApn), std::string("CMIOT"));
  QCOMPARE(d.Value(kNetwork, kApnPassword), std::string("s3cret"));
  QCOMPARE(d.Value(kChannel1Sin, kServerPort), std::string("5001"));
  // The common copies follow by name.
  const std::string common_apn = d.frame.catalogue.Read([](const zt::CParamCatalogue& c) {
    for (int i = 0; i < c.groups[0].UsedCount(); ++i) {
      if (c.groups[0].params[i].short_name == "APN") return c.groups[0].params[i].value;
    }
    return std::string();
  });
  QCOMPARE(common_apn, std::string("CMIOT"));
  // The value column shows them; the tick stays.
  QCOMPARE(d.Cell(d.Row(kApn), 1), QString("CMIOT"));
  QCOMPARE(d.Cell(d.Row(kApnPassword), 1), QString("******"));
  QVERIFY(d.RowChecked(d.Row(kApn)));
  QCOMPARE(d.view->CurrentGroup(), kNetwork);
}

void ConfigFileTest::aCancelledExportSaysNothing() {
  ConfigViewDriver d;
  ScriptedChooser chooser;  // answers "cancelled"
  d.view->SetFileChooser(chooser.Bind());
  d.view->ExportCommand();
  QCOMPARE(chooser.asked.size(), size_t{1});
  QVERIFY(d.frame.messages.shown.empty());
  QVERIFY(d.frame.log.empty());
}

void ConfigFileTest::aCancelledImportRedrawsTheValues() {
  ConfigViewDriver d;
  d.ShowGroup(kNetwork);
  d.SetValue(kNetwork, kApn, "CMWAP");
  ScriptedChooser chooser;
  d.view->SetFileChooser(chooser.Bind());
  d.view->ImportCommand();
  QCOMPARE(d.Cell(d.Row(kApn), 1), QString("CMWAP"));
  QVERIFY(d.frame.messages.shown.empty());
  QVERIFY(d.frame.log.empty());
}

void ConfigFileTest::anEmptyImportPathIsRefused() {
  ConfigViewDriver d;
  ScriptedChooser chooser;
  chooser.answer = QString();
  d.view->SetFileChooser(chooser.Bind());
  d.view->ImportCommand();
  QCOMPARE(d.frame.messages.shown.size(), size_t{1});
  QCOMPARE(d.frame.messages.shown[0].text, std::string("请选择参数配置文件"_gbk));
  QCOMPARE(d.frame.messages.shown[0].caption, std::string("提示"_gbk));
  QVERIFY(d.frame.messages.shown[0].icon == zt::MessageIcon::kError);
  QVERIFY(d.frame.log.empty());
}

void ConfigFileTest::anImportOfAFileThatLacksEntriesSaysHowMany() {
  zt::test::TempDir dir;
  ConfigViewDriver d;
  FillValues(d);
  ScriptedChooser chooser;
  chooser.answer = QString::fromStdString(dir.File("short"));
  d.view->SetFileChooser(chooser.Bind());
  d.view->ExportCommand();
  // The file without its APN line: the import still clears the value, and
  // the run log says how many entries were missing.
  const std::string path = dir.File("short.ini");
  std::string file = zt::test::ReadFileBytes(path);
  const std::string_view apn_line = "接入点名称=CMIOT\r\n"_gbk;
  const std::size_t at = file.find(apn_line);
  QVERIFY(at != std::string::npos);
  file.erase(at, apn_line.size());
  QVERIFY(zt::test::WriteFileBytes(path, file));
  chooser.answer = QString::fromStdString(path);
  d.view->ImportCommand();
  QVERIFY(d.frame.messages.shown.empty());
  QCOMPARE(d.frame.log.size(), size_t{3});
  QCOMPARE(d.frame.log[1], std::string("导入参数配置文件成功, 文件名:"_gbk) + path + "\r\n");
  QCOMPARE(d.frame.log[2], std::string("配置文件中缺少 1 项参数, 其值已清空\r\n"_gbk));
  QCOMPARE(d.Value(kNetwork, kApn), std::string());
  QCOMPARE(d.Value(kSystem, kDeviceName), std::string("ZR-line7"));
}

void ConfigFileTest::anImportOfAnotherModeIsRefusedAndStoresNothing() {
  zt::test::TempDir dir;
  ConfigViewDriver d;
  FillValues(d);
  ScriptedChooser chooser;
  chooser.answer = QString::fromStdString(dir.File("sin.ini"));
  d.view->SetFileChooser(chooser.Bind());
  d.view->ExportCommand();
  d.SetValue(kNetwork, kApn, "CMNET");
  d.frame.selector_index = 2;  // MUL now
  d.view->ImportCommand();
  QCOMPARE(d.frame.messages.shown.size(), size_t{1});
  QCOMPARE(d.frame.messages.shown[0].text,
           std::string("即将导入的文件中 DTU通道运行模式 与当前通道模式不匹配"_gbk));
  QCOMPARE(d.Value(kNetwork, kApn), std::string("CMNET"));
  QCOMPARE(d.frame.log.size(), size_t{1});  // the export's line only
}

void ConfigFileTest::anExportThatCannotCreateTheFileSaysSo() {
  zt::test::TempDir dir;
  ConfigViewDriver d;
  ScriptedChooser chooser;
  chooser.answer = QString::fromStdString(dir.File("missing/folder/x.ini"));
  d.view->SetFileChooser(chooser.Bind());
  d.view->ExportCommand();
  QCOMPARE(d.frame.messages.shown.size(), size_t{1});
  QCOMPARE(d.frame.messages.shown[0].text, std::string("打开保存参数配置文件失败"_gbk));
  QCOMPARE(d.frame.messages.shown[0].caption, std::string("提示"_gbk));
  QVERIFY(d.frame.log.empty());
}

void ConfigFileTest::theRealSaveDialogProposesTheDefaultName() {
  zt::test::TempDir dir;
  QString proposed;
  QStringList filters;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog != nullptr);
    QVERIFY(dialog->acceptMode() == QFileDialog::AcceptSave);
    filters = dialog->nameFilters();
    proposed = QFileInfo(dialog->selectedFiles().value(0)).completeBaseName();
    dialog->setDirectory(QString::fromStdString(dir.path()));
    dialog->selectFile(QStringLiteral("mine"));
    static_cast<QDialog*>(dialog)->accept();  // the file dialog's own accept
  });
  const std::optional<QString> chosen = zt::ui::ChooseConfigFileWithDialog(
      nullptr, zt::ui::ExportDialogRequest(zt::FileVariant::kS3));
  QCOMPARE(proposed, QString("config_s3"));
  QCOMPARE(filters, QStringList{Qs("配置文件(*.ini)"_gbk)});
  QVERIFY(chosen.has_value());
  QCOMPARE(*chosen, QString::fromStdString(dir.File("mine.ini")));
}

QTEST_MAIN(ConfigFileTest)
#include "tst_config_file.moc"
