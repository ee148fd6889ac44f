// The one export macro for the C++ side of the platform library.
//
// The library is built with hidden visibility; only the C ABI
// (COMP_EXPORT) and the C++ classes marked here are visible to the program
// and its tests, which link it directly (never through dlopen).
#ifndef KALVENIX_PLATFORM_PLATFORM_EXPORT_H_
#define KALVENIX_PLATFORM_PLATFORM_EXPORT_H_

// On Windows the platform library is static: nothing to export.
#if defined(__GNUC__) && !defined(_WIN32)
#define KALVENIX_PLATFORM_API __attribute__((visibility("default")))
#else
#define KALVENIX_PLATFORM_API
#endif

#endif  // KALVENIX_PLATFORM_PLATFORM_EXPORT_H_
