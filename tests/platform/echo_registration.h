// Makes "Kalvenix.Echo" creatable for one test and tells how many of its
// objects are alive. One implementation per system, beside this header: on
// Linux it registers the echo component with the runtime for the test's
// span; on Windows the echo server registers itself for the current user and
// stays registered, since the tests of one build share that registration.
#ifndef KALVENIX_TESTS_PLATFORM_ECHO_REGISTRATION_H_
#define KALVENIX_TESTS_PLATFORM_ECHO_REGISTRATION_H_

#include <cstdint>

namespace kalvenix {

class EchoRegistration {
 public:
  EchoRegistration();
  ~EchoRegistration();
  EchoRegistration(const EchoRegistration&) = delete;
  EchoRegistration& operator=(const EchoRegistration&) = delete;

  bool ok() const { return live_objects_ != nullptr; }
  int32_t LiveObjects() const { return live_objects_(); }

 private:
  void* library_ = nullptr;
  int32_t (*live_objects_)() = nullptr;
};

}  // namespace kalvenix

#endif  // KALVENIX_TESTS_PLATFORM_ECHO_REGISTRATION_H_
