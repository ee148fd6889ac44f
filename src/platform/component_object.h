// ComponentObject: the program's handle on one component object.
//
// Holds one reference and gives it back when it goes. Create() asks the
// system's component runtime for a new object of a registered class; Invoke()
// calls a method by name. Every failure comes back as a status (never an
// exception across the component), and a failed call leaves the object
// usable. Move-only.
//
// The backend is chosen by source file: component_object.cpp on the
// program's own runtime (component_abi.h), component_object_windows.cpp on
// COM. On Windows the calling thread must have entered an apartment
// (CoInitializeEx) before Create, and an object is used and released on the
// thread that created it; a component's own failure status is then the
// HRESULT it raised (EXCEPINFO's scode).
// Thread-safety: an object's methods are called from one thread at a time.
#ifndef KALVENIX_PLATFORM_COMPONENT_OBJECT_H_
#define KALVENIX_PLATFORM_COMPONENT_OBJECT_H_

#include <span>
#include <string>

#include "platform/component_abi.h"
#include "platform/owned_variant.h"
#include "platform/platform_export.h"

namespace kalvenix {

// What one method call gave: its status, the component's message when it
// failed (may be empty), and its result when it succeeded.
struct CallOutcome {
  CompStatus status = COMP_OK;
  std::u16string message;
  OwnedVariant result;

  bool ok() const { return status == COMP_OK; }
};

class KALVENIX_PLATFORM_API ComponentObject {
 public:
  ComponentObject() = default;

  ComponentObject(ComponentObject&& other) noexcept;
  ComponentObject& operator=(ComponentObject&& other) noexcept;
  ComponentObject(const ComponentObject&) = delete;
  ComponentObject& operator=(const ComponentObject&) = delete;
  ~ComponentObject();

  // On success the new object replaces what *out held, which is released
  // only after the new one exists. On failure *out keeps what it held, and
  // the status tells why (COMP_E_NOT_REGISTERED, ..._LIBRARY_NOT_LOADABLE,
  // ..._EXPORT_MISSING, ..._CLASS_REFUSED).
  static CompStatus Create(const std::string& prog_id, ComponentObject* out);

  // Calls `name` with `args` in natural order. By-reference arguments point
  // at the caller's storage and may be changed by the component.
  CallOutcome Invoke(const char* name, std::span<CompVariant> args);

  bool has_object() const { return object_ != nullptr; }
  void Reset();

 private:
  // One reference on the backend's object (a CompObject or an IDispatch).
  void* object_ = nullptr;
};

}  // namespace kalvenix

#endif  // KALVENIX_PLATFORM_COMPONENT_OBJECT_H_
