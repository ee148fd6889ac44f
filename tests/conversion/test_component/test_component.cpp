// A stand-in for the converter library, serving "Dravimo.Compendium" for
// the batch tests through the real runtime. It records what reaches it (see
// test_component_control.h) and can be told to refuse creation, to fail
// convertEx for chosen sources, or to take long to register. Like a real
// converter it may change its by-reference arguments, which the batch must
// neither read back nor leak.
#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <algorithm>
#include <memory>
#include <mutex>
#include <map>
#include <string>
#include <thread>

#include "platform/component_abi.h"
#include "test_component_control.h"

namespace {

constexpr char kProgId[] = "Dravimo.Compendium";

struct State {
  std::mutex mutex;
  std::string record;
  int32_t created = 0;
  int32_t refuse_after = -1;
  int32_t live = 0;
  uint32_t register_delay_ms = 0;
  std::map<std::string, std::u16string> failing_sources;  // source -> message, may be empty
};

State& TheState() {
  static State state;
  return state;
}

void Record(const std::string& line) {
  std::lock_guard lock(TheState().mutex);
  TheState().record += line + "\n";
}

// UTF-8 for the record; a surrogate is written as its code unit, since the
// component keeps to the plain-C boundary and shares no C++ helpers.
std::string TextOf(const CompText& text) {
  std::string out;
  for (uint32_t i = 0; i < text.length; ++i) {
    const uint16_t unit = text.units[i];
    if (unit < 0x80) {
      out += static_cast<char>(unit);
    } else if (unit < 0x800) {
      out += static_cast<char>(0xC0 | (unit >> 6));
      out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (unit >> 12));
      out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  return out;
}

std::string Describe(const CompVariant& arg) {
  const bool by_reference = (arg.type & COMP_VT_BYREF) != 0;
  const uint16_t base = arg.type & ~COMP_VT_BYREF;
  std::string out = by_reference ? "&" : "";
  switch (base) {
    case COMP_VT_EMPTY: return out + "empty";
    case COMP_VT_I4:
      return out + "i4=" + std::to_string(by_reference ? *arg.value.p_i4 : arg.value.i4);
    case COMP_VT_BOOL:
      return out + "bool=" +
             std::to_string(by_reference ? *arg.value.p_boolean : arg.value.boolean);
    case COMP_VT_TEXT:
      return out + "text=" + TextOf(by_reference ? *arg.value.p_text : arg.value.text);
    default: return out + std::to_string(base);
  }
}

struct TestObject {
  CompObject base;
  std::atomic<uint32_t> references{1};
  int32_t number = 0;
};

uint32_t AddRef(CompObject* self) { return ++reinterpret_cast<TestObject*>(self)->references; }

uint32_t Release(CompObject* self) {
  auto* object = reinterpret_cast<TestObject*>(self);
  const uint32_t left = --object->references;
  if (left == 0) {
    std::unique_ptr<TestObject> gone(object);
    Record("release " + std::to_string(object->number));
    std::lock_guard lock(TheState().mutex);
    --TheState().live;
  }
  return left;
}

CompStatus Fail(CompText* message, const char16_t* text, CompStatus status) {
  if (message != nullptr)
    CompTextAlloc(reinterpret_cast<const uint16_t*>(text), std::char_traits<char16_t>::length(text),
                  message);
  return status;
}

// What a real converter may do: report the path it wrote, make its own use
// of the numbers, and return a text result.
void TouchArguments(CompVariant* args, uint32_t count, CompVariant* result) {
  for (uint32_t i = 0; i < count; ++i) {
    if (args[i].type == (COMP_VT_BYREF | COMP_VT_TEXT)) {
      CompTextFree(args[i].value.p_text);
      const char16_t changed[] = u"geändert";
      CompTextAlloc(reinterpret_cast<const uint16_t*>(changed), 8, args[i].value.p_text);
    } else if (args[i].type == (COMP_VT_BYREF | COMP_VT_I4)) {
      *args[i].value.p_i4 = -7;
    } else if (args[i].type == (COMP_VT_BYREF | COMP_VT_BOOL)) {
      *args[i].value.p_boolean = COMP_TRUE;
    }
  }
  const char16_t done[] = u"fertig";
  result->type = COMP_VT_TEXT;
  CompTextAlloc(reinterpret_cast<const uint16_t*>(done), 6, &result->value.text);
}

CompStatus Invoke(CompObject* self, const char* name, CompVariant* args, uint32_t count,
                  CompVariant* result, CompText* message) {
  const int32_t number = reinterpret_cast<TestObject*>(self)->number;
  if (std::strcmp(name, "convertEx") != 0)
    return Fail(message, u"Unbekannte Methode", COMP_E_UNKNOWN_NAME);
  std::string line = "convertEx " + std::to_string(number);
  for (uint32_t i = 0; i < count; ++i) line += " " + Describe(args[i]);
  Record(line);

  bool fails = false;
  std::u16string failure;
  if (count > 0 && args[0].type == COMP_VT_TEXT) {
    std::lock_guard lock(TheState().mutex);
    auto found = TheState().failing_sources.find(TextOf(args[0].value.text));
    fails = found != TheState().failing_sources.end();
    if (fails) failure = found->second;
  }
  if (fails) {
    Record("failed " + std::to_string(number));
    if (failure.empty()) return 116;  // a converter that gives no words
    return Fail(message, failure.c_str(), 116);
  }
  TouchArguments(args, count, result);
  return COMP_OK;
}

const CompMethods kMethods = {AddRef, Release, Invoke};

}  // namespace

extern "C" {

COMP_EXPORT CompStatus CompGetClassObject(const char* prog_id, CompObject** out) {
  *out = nullptr;
  if (std::strcmp(prog_id, kProgId) != 0) return COMP_E_CLASS_REFUSED;
  int32_t number = 0;
  {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    if (state.refuse_after >= 0 && state.created >= state.refuse_after) {
      state.record += "refuse\n";
      return COMP_E_CLASS_REFUSED;
    }
    number = ++state.created;
    ++state.live;
    state.record += "create " + std::to_string(number) + "\n";
  }
  try {
    auto object = std::make_unique<TestObject>();
    object->base.methods = &kMethods;
    object->number = number;
    *out = &object.release()->base;
    return COMP_OK;
  } catch (...) {
    return COMP_E_OUT_OF_MEMORY;
  }
}

COMP_EXPORT int32_t DllRegisterServer(void) {
  uint32_t delay = 0;
  {
    std::lock_guard lock(TheState().mutex);
    delay = TheState().register_delay_ms;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) == 0) return COMP_E_INTERNAL;
  Record(std::string("register ") + info.dli_fname);
  return CompRegisterClass(kProgId, info.dli_fname);
}

COMP_EXPORT int32_t DllUnregisterServer(void) {
  Record("unregister");
  return CompUnregisterClass(kProgId);
}

COMP_EXPORT void TestComponentReset(void) {
  State& state = TheState();
  std::lock_guard lock(state.mutex);
  state.record.clear();
  state.created = 0;
  state.refuse_after = -1;
  state.register_delay_ms = 0;
  state.failing_sources.clear();
}

COMP_EXPORT void TestComponentRefuseCreationsAfter(int32_t count) {
  std::lock_guard lock(TheState().mutex);
  TheState().refuse_after = count;
}

COMP_EXPORT void TestComponentFailConvertFor(const char* source) {
  std::lock_guard lock(TheState().mutex);
  TheState().failing_sources[source] = u"Quelldatei hat sich beim Lesen geändert";
}

COMP_EXPORT void TestComponentFailConvertWith(const char* source, const uint16_t* message,
                                              uint32_t length) {
  std::lock_guard lock(TheState().mutex);
  TheState().failing_sources[source] =
      std::u16string(reinterpret_cast<const char16_t*>(message), length);
}

COMP_EXPORT void TestComponentSetRegisterDelay(uint32_t milliseconds) {
  std::lock_guard lock(TheState().mutex);
  TheState().register_delay_ms = milliseconds;
}

COMP_EXPORT uint32_t TestComponentRecord(char* buffer, uint32_t capacity) {
  std::lock_guard lock(TheState().mutex);
  const std::string& record = TheState().record;
  if (buffer != nullptr) std::memcpy(buffer, record.data(), std::min<size_t>(capacity, record.size()));
  return static_cast<uint32_t>(record.size());
}

COMP_EXPORT int32_t TestComponentLiveObjects(void) {
  std::lock_guard lock(TheState().mutex);
  return TheState().live;
}

}  // extern "C"
