#include "config_view_driver.h"

#include <QTest>

namespace zt::ui::test {

ConfigViewDriver::ConfigViewDriver(const std::function<void(ConfigTestFrame&)>& prepare) {
  if (prepare) prepare(frame);
  view = std::make_unique<CViewConfig>(frame, nullptr);
  view->resize(920, 520);
  view->InitialUpdate();
  view->show();
  view->activateWindow();
  shown = QTest::qWaitForWindowExposed(view.get()) && QTest::qWaitForWindowActive(view.get());
}

ConfigViewDriver::~ConfigViewDriver() = default;

std::string ConfigViewDriver::Value(int group, int slot) {
  return frame.catalogue.Read([&](const CParamCatalogue& c) {
    const ParamDef* p = c.Param(group, slot);
    return p != nullptr ? p->value : std::string();
  });
}

bool ConfigViewDriver::Selected(int group, int slot) {
  return frame.catalogue.Read([&](const CParamCatalogue& c) {
    const ParamDef* p = c.Param(group, slot);
    return p != nullptr && p->selected;
  });
}

void ConfigViewDriver::SetValue(int group, int slot, std::string_view gbk) {
  frame.catalogue.Write([&](CParamCatalogue& c) {
    if (ParamDef* p = c.Param(group, slot)) p->value = std::string(gbk);
  });
}

QString ConfigViewDriver::Cell(int row, int column) const {
  const QTableWidgetItem* item = list().item(row, column);
  return item != nullptr ? item->text() : QString();
}

bool ConfigViewDriver::RowChecked(int row) const {
  const QTableWidgetItem* item = list().item(row, 0);
  return item != nullptr && (item->flags() & Qt::ItemIsUserCheckable) &&
         item->checkState() == Qt::Checked;
}

bool ConfigViewDriver::RowCheckable(int row) const {
  const QTableWidgetItem* item = list().item(row, 0);
  return item != nullptr && (item->flags() & Qt::ItemIsUserCheckable);
}

void ConfigViewDriver::SetRowChecked(int row, bool checked) {
  if (QTableWidgetItem* item = list().item(row, 0)) {
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  }
}

void ConfigViewDriver::ClickCell(int row, int column) {
  const QRect cell = list().visualRect(list().model()->index(row, column));
  QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, cell.center());
}

}  // namespace zt::ui::test
