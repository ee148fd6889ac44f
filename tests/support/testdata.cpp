#include "testdata.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace kalvenix::testing {

std::string TestdataDir() {
#ifdef _WIN32
  // Configured as a Unix path; under Wine the Unix root is drive Z:, which
  // takes "/" as a separator too.
  const std::string dir = KALVENIX_TESTDATA_DIR;
  if (dir.starts_with('/')) return "Z:" + dir;
  return dir;
#else
  return KALVENIX_TESTDATA_DIR;
#endif
}

std::string TestdataPath(const std::string& relative) { return TestdataDir() + "/" + relative; }

std::string MissingTestdataReason() { return MissingTestdataReason(TestdataDir()); }

std::string MissingTestdataReason(const std::string& folder) {
  // The manifest is what every corpus test reads first, so its presence is
  // what "the pictures are there" means (configure checks the same file).
  std::error_code error;
  if (std::filesystem::is_regular_file(folder + "/manifest.tsv", error)) return {};
  return "test pictures not found in " + folder +
         " (configure with -DKALVENIX_TESTDATA_DIR=... to use another place)";
}

bool TestdataRequired() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::strcmp(ci, "true") == 0;
}

std::vector<std::string> CasesOrPlaceholder(std::vector<std::string> cases) {
  if (cases.empty()) cases.emplace_back(kMissingTestdataCase);
  return cases;
}

}  // namespace kalvenix::testing
