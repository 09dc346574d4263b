// The one place that picks the font of the tool's labels, lists and run log:
// "宋体" where it is installed, otherwise another installed CJK family, so
// Chinese text never shows as boxes.
#pragma once

#include <QFont>
#include <QString>

namespace zt::ui {

// The family in use; decided once per process (needs a QGuiApplication).
QString CjkFontFamily();

// That family at `pixel_height` pixels with a weight on the 100..900 scale.
QFont CjkFont(int pixel_height, int weight = 400);

}  // namespace zt::ui
