#include "ui/common/ui_font.h"

#include <QFontDatabase>
#include <QStringList>

#include "text/gbk_literal.h"
#include "ui/common/qt_text.h"

namespace zt::ui {
namespace {

using namespace zt::literals;

QString PickFamily() {
  const QStringList installed = QFontDatabase::families();
  // The Song face the texts were laid out for first, then CJK families a
  // Linux desktop commonly has (the setup installs WenQuanYi Micro Hei).
  const QStringList wanted = {Qs("宋体"_gbk),
                              QStringLiteral("SimSun"),
                              QStringLiteral("WenQuanYi Micro Hei"),
                              QStringLiteral("Noto Sans CJK SC"),
                              QStringLiteral("Noto Sans SC"),
                              QStringLiteral("Source Han Sans SC"),
                              QStringLiteral("AR PL UMing CN"),
                              QStringLiteral("Droid Sans Fallback")};
  for (const QString& family : wanted) {
    if (installed.contains(family, Qt::CaseInsensitive)) return family;
  }
  return QFont().family();
}

}  // namespace

QString CjkFontFamily() {
  static const QString family = PickFamily();
  return family;
}

QFont CjkFont(int pixel_height, int weight) {
  QFont font(CjkFontFamily());
  font.setPixelSize(pixel_height);
  font.setWeight(static_cast<QFont::Weight>(weight));
  return font;
}

}  // namespace zt::ui
