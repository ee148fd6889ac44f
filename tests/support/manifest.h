// The shared test pictures' manifest.tsv: one entry per picture with its
// stored size and whether it must decode, must be refused, or may do either.
// A test reading it starts with KALVENIX_REQUIRE_TESTDATA().
#ifndef KALVENIX_TESTS_SUPPORT_MANIFEST_H_
#define KALVENIX_TESTS_SUPPORT_MANIFEST_H_

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace kalvenix::testing {

// Width and height are 0 where the manifest has "-".
struct ManifestEntry {
  std::string path;  // relative to the test pictures' folder
  int32_t width = 0;
  int32_t height = 0;
  std::string expect;  // "decode", "reject" or "either"
  std::string note;
};

// Empty when the manifest cannot be read.
std::vector<ManifestEntry> ReadManifest();

// Names the file in a failing test's parameter line.
void PrintTo(const ManifestEntry& entry, std::ostream* out);

// A test name made of the text's letters and digits, the rest as '_'.
std::string IdentifierFrom(const std::string& text);

}  // namespace kalvenix::testing

#endif  // KALVENIX_TESTS_SUPPORT_MANIFEST_H_
