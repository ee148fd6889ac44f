// ConvertOnThisSystem: the batch as the program runs it, on a fresh layer of
// the system the program was built for. The window's BatchRunner.
#ifndef KALVENIX_APP_SYSTEM_BATCH_H_
#define KALVENIX_APP_SYSTEM_BATCH_H_

#include "conversion/conversion_window.h"

namespace kalvenix {

void ConvertOnThisSystem(const ConversionWindow& window, ConversionSurroundings& surroundings);

}  // namespace kalvenix

#endif  // KALVENIX_APP_SYSTEM_BATCH_H_
