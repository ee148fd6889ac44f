#include <dlfcn.h>

#include "echo_registration.h"
#include "platform/component_abi.h"

namespace kalvenix {

EchoRegistration::EchoRegistration() {
  library_ = dlopen(ECHO_COMPONENT_PATH, RTLD_NOW | RTLD_LOCAL);
  if (library_ == nullptr) return;
  if (CompRegisterClass("Kalvenix.Echo", ECHO_COMPONENT_PATH) != COMP_OK) return;
  live_objects_ = reinterpret_cast<int32_t (*)()>(dlsym(library_, "EchoLiveObjects"));
}

EchoRegistration::~EchoRegistration() {
  CompUnregisterClass("Kalvenix.Echo");
  if (library_ != nullptr) dlclose(library_);
}

}  // namespace kalvenix
