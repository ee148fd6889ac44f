// A mount namespace of the test process's own, so that what a test mounts
// vanishes with the process even when a test crashes. A suite that mounts
// links kalvenix_test_support_mount_main, whose main enters the namespace
// before GoogleTest (or anything else) starts a thread.
// Thread-safety: EnterPrivateMountNamespace only before any thread exists.
#ifndef KALVENIX_TESTS_SUPPORT_MOUNT_NAMESPACE_H_
#define KALVENIX_TESTS_SUPPORT_MOUNT_NAMESPACE_H_

#include <string>

namespace kalvenix::testing {

// Root may mount there directly; elsewhere a user namespace grants it.
// Returns an empty string, or why neither was allowed; a test then fails
// rather than skips, since a skipped check proves nothing in CI.
std::string EnterPrivateMountNamespace();

// What that main's EnterPrivateMountNamespace returned; a test that mounts
// asserts it is empty.
const std::string& PrivateMountNamespaceError();

}  // namespace kalvenix::testing

#endif  // KALVENIX_TESTS_SUPPORT_MOUNT_NAMESPACE_H_
