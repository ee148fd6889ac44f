// Keeping the memory one conversion frees for the next one in the batch.
//
// A conversion allocates and frees a few large buffers (the source file, the
// progressive JPEG's coefficients, the decoded picture). glibc hands buffers
// above its mmap threshold straight back to the kernel, so the next picture
// pays a page fault and a zeroing per 4 KiB again; for a 12-megapixel
// progressive JPEG that was a third of the conversion. KeepConversionMemory
// raises the threshold and the heap's trim limit once per process, so freed
// buffers stay mapped and are reused. Buffers above the threshold (a huge
// picture's) are still returned at once.
// Thread-safety: thread-safe; the first call does the work.
#ifndef KALVENIX_CONVERTER_CONVERSION_MEMORY_H_
#define KALVENIX_CONVERTER_CONVERSION_MEMORY_H_

namespace quorvel {

void KeepConversionMemory();

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_CONVERSION_MEMORY_H_
