#include "platform/system_layer.h"

namespace kalvenix {

SystemLayer::~SystemLayer() = default;

std::string SystemLayer::LastLoadError() { return {}; }

}  // namespace kalvenix
