// The runtime's C exports on Linux: the class registry and object creation.
// (The text and variant helpers, which every system has, are in component_text.cpp.)
//
// The registry is the one process-wide state the platform forces on us (it
// stands in for the system's class registry). It is guarded by a mutex and
// never held across a call into a component: loading a library runs its
// constructors, and a class-object export or a register export may call back
// into the registry.
#include <dlfcn.h>

#include <map>
#include <mutex>
#include <new>
#include <string>

#include "platform/component_abi.h"

namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::string, std::string> classes;  // ProgID -> library path
  // Libraries that have served an object. Each holds one reference of its
  // own, never given back: an object or code it handed out (a function table,
  // a message) may outlive every object we know of.
  std::map<std::string, void*> kept_loaded;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

bool IsNonEmpty(const char* text) { return text != nullptr && text[0] != '\0'; }

// Returns whether the library at `path` was already kept loaded; if not,
// keeps `handle`'s reference for the life of the process.
bool KeepLoaded(const std::string& path, void* handle) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  return !registry.kept_loaded.emplace(path, handle).second;
}

CompStatus CreateObject(const char* prog_id, CompObject** out) {
  std::string path;
  {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    auto found = registry.classes.find(prog_id);
    if (found == registry.classes.end()) return COMP_E_NOT_REGISTERED;
    path = found->second;
  }

  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return COMP_E_LIBRARY_NOT_LOADABLE;

  auto get_class_object =
      reinterpret_cast<CompGetClassObjectFn>(dlsym(library, COMP_CLASS_OBJECT_EXPORT));
  if (get_class_object == nullptr) {
    dlclose(library);
    return COMP_E_EXPORT_MISSING;
  }

  CompObject* object = nullptr;
  const CompStatus status = get_class_object(prog_id, &object);
  if (status != COMP_OK || object == nullptr || object->methods == nullptr) {
    // A component that fails yet hands out an object still gave us a
    // reference; give it back so the object does not leak.
    if (object != nullptr && object->methods != nullptr && object->methods->release != nullptr)
      object->methods->release(object);
    dlclose(library);
    return COMP_E_CLASS_REFUSED;
  }

  // dlopen counts references, so a second load of a kept library only needs
  // its extra reference given back.
  bool already_kept = false;
  try {
    already_kept = KeepLoaded(path, library);
  } catch (...) {
    object->methods->release(object);
    dlclose(library);
    throw;
  }
  if (already_kept) dlclose(library);
  *out = object;
  return COMP_OK;
}

}  // namespace

extern "C" {

COMP_EXPORT CompStatus CompRegisterClass(const char* prog_id, const char* library_path) {
  if (!IsNonEmpty(prog_id) || !IsNonEmpty(library_path)) return COMP_E_INVALID_ARGUMENT;
  try {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.classes[prog_id] = library_path;
    return COMP_OK;
  } catch (const std::bad_alloc&) {
    return COMP_E_OUT_OF_MEMORY;
  } catch (...) {
    return COMP_E_INTERNAL;
  }
}

COMP_EXPORT CompStatus CompUnregisterClass(const char* prog_id) {
  if (!IsNonEmpty(prog_id)) return COMP_E_INVALID_ARGUMENT;
  try {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return registry.classes.erase(prog_id) == 0 ? COMP_E_NOT_REGISTERED : COMP_OK;
  } catch (...) {
    return COMP_E_INTERNAL;
  }
}

COMP_EXPORT CompStatus CompCreateObject(const char* prog_id, CompObject** out) {
  if (out == nullptr) return COMP_E_INVALID_ARGUMENT;
  *out = nullptr;
  if (!IsNonEmpty(prog_id)) return COMP_E_INVALID_ARGUMENT;
  try {
    return CreateObject(prog_id, out);
  } catch (const std::bad_alloc&) {
    return COMP_E_OUT_OF_MEMORY;
  } catch (...) {
    return COMP_E_INTERNAL;
  }
}

}  // extern "C"
