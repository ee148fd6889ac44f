#include "app/display_check.h"

#include <QByteArray>
#include <QtGlobal>

namespace kalvenix {

bool HasDisplay() {
  if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    return true;
  // Tests and screenshots draw off screen; these platforms need no display.
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  return platform.startsWith("offscreen") || platform.startsWith("minimal");
}

}  // namespace kalvenix
