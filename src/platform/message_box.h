// ShowMessageBox: the program's one kind of message, a modal box with the
// text, one OK button, no icon and the application title as its caption.
// Returns when the user has closed it. User-interface thread only.
#ifndef KALVENIX_PLATFORM_MESSAGE_BOX_H_
#define KALVENIX_PLATFORM_MESSAGE_BOX_H_

#include <QString>

#include "platform/application_title.h"

class QWidget;

namespace kalvenix {

void ShowMessageBox(QWidget* parent, const QString& text);

}  // namespace kalvenix

#endif  // KALVENIX_PLATFORM_MESSAGE_BOX_H_
