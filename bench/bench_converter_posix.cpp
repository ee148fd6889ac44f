#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "bench_converter.h"
#include "platform/component_object.h"
#include "platform/owned_text.h"
#include "platform/owned_variant.h"
#include "platform/utf_text.h"

namespace bench {

std::string DefaultLibrary() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "Quorvel.so";
}

std::string NewOutputFolder() {
  std::string pattern = "/tmp/convert_bench_XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return {};
  }
  return pattern;
}

bool EnsureRegistered(const std::string& library) {
  kalvenix::ComponentObject probe;
  if (kalvenix::ComponentObject::Create("Dravimo.Compendium", &probe) == COMP_OK) return true;
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::fprintf(stderr, "%s\n", dlerror());
    return false;
  }
  auto register_server = reinterpret_cast<CompRegisterServerFn>(dlsym(handle, COMP_REGISTER_EXPORT));
  const bool ok = register_server != nullptr && register_server() == COMP_OK;
  dlclose(handle);  // the runtime keeps its own reference once it loads it
  return ok && kalvenix::ComponentObject::Create("Dravimo.Compendium", &probe) == COMP_OK;
}

struct HeldObject::Object {
  kalvenix::ComponentObject value;
};

HeldObject::HeldObject() : object(std::make_unique<Object>()) {}
HeldObject::~HeldObject() = default;

Outcome ConvertWithNewObject(const Call& call, HeldObject* held) {
  kalvenix::ComponentObject& object = held->object->value;  // replaced only once made
  Outcome outcome;
  if (kalvenix::ComponentObject::Create("Dravimo.Compendium", &object) != COMP_OK) {
    outcome.message = "creation failed";
    return outcome;
  }
  kalvenix::OwnedText source_text(kalvenix::Utf8ToUtf16(call.source));
  kalvenix::OwnedText destination_text(kalvenix::Utf8ToUtf16(call.destination));
  int32_t width = call.width;
  int32_t height = call.height;
  CompBool transparency = call.transparency ? COMP_TRUE : COMP_FALSE;
  int32_t quality = call.quality;
  CompVariant args[] = {kalvenix::TextArgument(source_text.get()),
                        kalvenix::TextReference(destination_text.storage()),
                        kalvenix::Int32Reference(&width),
                        kalvenix::Int32Reference(&height),
                        kalvenix::BoolReference(&transparency),
                        kalvenix::Int32Reference(&quality)};
  const kalvenix::CallOutcome result = object.Invoke("convertEx", args);
  outcome.ok = result.ok();
  outcome.width = width;
  outcome.height = height;
  if (!outcome.ok) {
    std::string message;
    for (char16_t c : result.message) message.push_back(c < 128 ? char(c) : '?');
    outcome.message = "status " + std::to_string(result.status) + ": " + message;
  }
  return outcome;
}

// On a busy machine the wall time says more about the neighbours than about
// the converter.
double ProcessCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double PeakResidentMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

}  // namespace bench
