// How much memory the machine has, for the rule that a picture must fit.
// Thread-safety: reentrant.
#ifndef KALVENIX_CONVERTER_BASE_PHYSICAL_MEMORY_H_
#define KALVENIX_CONVERTER_BASE_PHYSICAL_MEMORY_H_

#include <cstdint>

namespace quorvel {

// Bytes of physical memory; 0 when the system does not say.
uint64_t PhysicalMemoryBytes();

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_BASE_PHYSICAL_MEMORY_H_
