#include "ui/prodtest/verdict_sound.h"

#include <QApplication>
#include <QTimer>

namespace zt::ui {

void PlayVerdictSound(UnitVerdict verdict) {
  for (const int delay_ms : VerdictBellDelays(verdict)) {
    if (delay_ms == 0) {
      QApplication::beep();
    } else {
      QTimer::singleShot(delay_ms, qApp, [] { QApplication::beep(); });
    }
  }
}

}  // namespace zt::ui
