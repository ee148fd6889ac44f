#include "app/system_batch.h"

#include <memory>

#include "conversion/batch_conversion.h"
#include "platform/system_layer.h"

namespace kalvenix {

void ConvertOnThisSystem(const ConversionWindow& window, ConversionSurroundings& surroundings) {
  const std::unique_ptr<SystemLayer> system = MakeSystemLayer();
  ConvertListedFiles(window, surroundings, *system);
}

}  // namespace kalvenix
