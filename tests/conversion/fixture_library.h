// What the registration tests ask of the system about the fixture
// libraries: whether one is loaded, and where its exports log. One
// implementation per system, beside this header.
#ifndef KALVENIX_TESTS_CONVERSION_FIXTURE_LIBRARY_H_
#define KALVENIX_TESTS_CONVERSION_FIXTURE_LIBRARY_H_

#include <cstdint>
#include <string>

namespace kalvenix {

// Whether the library at `path` is in this process now (never loads it).
bool IsLoaded(const std::string& path);
// The file the fixtures' exports append to (KALVENIX_FIXTURE_LOG); empty stops the log.
void SetFixtureLog(const std::string& path);
// Tells this test process from others running at the same time.
uint64_t ProcessNumber();

}  // namespace kalvenix

#endif  // KALVENIX_TESTS_CONVERSION_FIXTURE_LIBRARY_H_
