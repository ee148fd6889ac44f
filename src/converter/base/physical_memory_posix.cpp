#include "converter/base/physical_memory.h"

#include <unistd.h>

#include "converter/base/checked_size.h"

namespace quorvel {

uint64_t PhysicalMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page_size = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page_size <= 0) return 0;
  const std::optional<size_t> bytes = CheckedMul(size_t(pages), size_t(page_size));
  return bytes ? *bytes : 0;
}

}  // namespace quorvel
