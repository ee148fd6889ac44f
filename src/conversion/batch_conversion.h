// ConvertListedFiles: the batch behind "Konvertieren".
//
// Goes through the window's file list once, top to bottom: derives each
// destination path, works out the options for the output type, creates a
// converter object from "Dravimo.Compendium" (registering the converter
// library beside the executable when creation fails) and calls its convertEx.
// Entries that were not converted are told in one message at the end, with
// the converter's reasons; a batch that converted everything shows nothing.
// The registration runs through `system`, whose last load error the message
// quotes; the caller supplies a fresh layer for each batch, so that no
// earlier batch's load error can be quoted.
// Runs synchronously on the caller's thread; holds no state between calls.
#ifndef KALVENIX_CONVERSION_BATCH_CONVERSION_H_
#define KALVENIX_CONVERSION_BATCH_CONVERSION_H_

#include "conversion/conversion_window.h"
#include "platform/system_layer.h"

namespace kalvenix {

void ConvertListedFiles(const ConversionWindow& window, ConversionSurroundings& surroundings,
                        SystemLayer& system);

}  // namespace kalvenix

#endif  // KALVENIX_CONVERSION_BATCH_CONVERSION_H_
