// Where the shared test pictures are, and what a test does when they are not.
//
// The pictures live outside the project (KALVENIX_TESTDATA_DIR at configure
// time, ../shared/testdata beside the clone by default). A clone without them
// still runs every test that does not read them; a test that does starts with
// KALVENIX_REQUIRE_TESTDATA() (GoogleTest) or KALVENIX_QREQUIRE_TESTDATA()
// (Qt Test), which skips it with the reason. Under CI=true a missing corpus
// fails the test instead: there it is a broken set-up, never a skip.
// Thread-safety: the functions only read the environment and the disk.
#ifndef KALVENIX_TESTS_SUPPORT_TESTDATA_H_
#define KALVENIX_TESTS_SUPPORT_TESTDATA_H_

#include <string>
#include <vector>

namespace kalvenix::testing {

// The configured folder, without a trailing "/".
std::string TestdataDir();

// `relative` below the configured folder.
std::string TestdataPath(const std::string& relative);

// Empty when the pictures are there; otherwise one line saying where they
// were looked for.
std::string MissingTestdataReason();
// The same for a folder given at run time (the fuzz replays take theirs as
// an argument).
std::string MissingTestdataReason(const std::string& folder);

// True under CI=true, where a missing corpus is an error.
bool TestdataRequired();

// For a ctest replay: the exit code ctest's SKIP_RETURN_CODE takes.
inline constexpr int kSkipExitCode = 77;

// The one case a parameterised test gets when its cases are listed from the
// pictures and they are missing: GoogleTest fails a suite without cases,
// while this one reaches the test's guard and is skipped (or failed) there.
inline constexpr char kMissingTestdataCase[] = "test_pictures_missing";

// `cases`, or the placeholder alone when it is empty.
std::vector<std::string> CasesOrPlaceholder(std::vector<std::string> cases);

}  // namespace kalvenix::testing

#define KALVENIX_REQUIRE_TESTDATA()                                            \
  do {                                                                         \
    const std::string kalvenix_missing_ = ::kalvenix::testing::MissingTestdataReason(); \
    if (!kalvenix_missing_.empty()) {                                          \
      if (::kalvenix::testing::TestdataRequired()) FAIL() << kalvenix_missing_; \
      GTEST_SKIP() << kalvenix_missing_;                                       \
    }                                                                          \
  } while (0)

#define KALVENIX_QREQUIRE_TESTDATA()                                           \
  do {                                                                         \
    const std::string kalvenix_missing_ = ::kalvenix::testing::MissingTestdataReason(); \
    if (!kalvenix_missing_.empty()) {                                          \
      if (::kalvenix::testing::TestdataRequired()) QFAIL(kalvenix_missing_.c_str()); \
      QSKIP(kalvenix_missing_.c_str());                                        \
    }                                                                          \
  } while (0)

#endif  // KALVENIX_TESTS_SUPPORT_TESTDATA_H_
