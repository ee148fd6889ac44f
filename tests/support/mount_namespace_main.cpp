// main for the suites that mount: the namespace must be entered while the
// process has one thread, since a user namespace is refused after that.
#include <gtest/gtest.h>

#include "mount_namespace.h"

namespace kalvenix::testing {
namespace {

std::string& Error() {
  static std::string error;
  return error;
}

}  // namespace

const std::string& PrivateMountNamespaceError() { return Error(); }

}  // namespace kalvenix::testing

int main(int argc, char** argv) {
  kalvenix::testing::Error() = kalvenix::testing::EnterPrivateMountNamespace();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
