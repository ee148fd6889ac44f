// The Windows twin of test_component.cpp: an in-process COM server for
// "Dravimo.Compendium" under a test CLSID of its own, for the batch tests
// through real CoCreateInstance and real per-user registration. It records
// what reaches it in the same form (see test_component_control.h), can
// refuse creation (E_FAIL from its class factory), fail convertEx with a
// message (DISP_E_EXCEPTION with EXCEPINFO), or take long to register. Like a
// real converter it changes its by-reference arguments, which the batch must
// neither read back nor leak.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <mutex>
#include <string>

#include "com_server_kit.h"
#include "test_component_control.h"

namespace {

namespace kit = kalvenix::com_kit;

// {F45E8C9F-1F91-49FD-B946-A1C55FD48769}: this test server only, never the real converter.
constexpr CLSID kClassId = {
    0xf45e8c9f, 0x1f91, 0x49fd, {0xb9, 0x46, 0xa1, 0xc5, 0x5f, 0xd4, 0x87, 0x69}};
constexpr wchar_t kClassIdText[] = L"{F45E8C9F-1F91-49FD-B946-A1C55FD48769}";
constexpr wchar_t kProgId[] = L"Dravimo.Compendium";
constexpr DISPID kConvertEx = 1;
// The converter's own error 116 as an interface HRESULT, as a COM converter raises it.
constexpr HRESULT kConvertFailed = static_cast<HRESULT>(0x80040274u);

struct State {
  std::mutex mutex;
  std::string record;
  int32_t created = 0;
  int32_t refuse_after = -1;
  int32_t live = 0;
  uint32_t register_delay_ms = 0;
  std::map<std::string, std::wstring> failing_sources;  // source -> message, may be empty
};

State& TheState() {
  static State state;
  return state;
}

void Record(const std::string& line) {
  std::lock_guard lock(TheState().mutex);
  TheState().record += line + "\n";
}

std::string TextOf(BSTR text) { return kit::Utf8(text, text == nullptr ? 0 : SysStringLen(text)); }

std::string Describe(const VARIANT& arg) {
  const bool by_reference = (arg.vt & VT_BYREF) != 0;
  const VARTYPE base = arg.vt & ~VT_BYREF;
  std::string out = by_reference ? "&" : "";
  switch (base) {
    case VT_EMPTY:
      return out + "empty";
    case VT_I4:
      return out + "i4=" + std::to_string(by_reference ? *arg.plVal : arg.lVal);
    case VT_BOOL:
      return out + "bool=" + std::to_string(by_reference ? *arg.pboolVal : arg.boolVal);
    case VT_BSTR:
      return out + "text=" + TextOf(by_reference ? *arg.pbstrVal : arg.bstrVal);
    default:
      return out + std::to_string(base);
  }
}

// What a real converter may do: report the path it wrote, make its own use
// of the numbers, and return a text result.
void TouchArguments(DISPPARAMS* params, VARIANT* result) {
  for (UINT i = 0; i < params->cArgs; ++i) {
    VARIANT& arg = params->rgvarg[i];
    if (arg.vt == (VT_BYREF | VT_BSTR)) {
      SysFreeString(*arg.pbstrVal);
      *arg.pbstrVal = SysAllocString(L"geändert");
    } else if (arg.vt == (VT_BYREF | VT_I4)) {
      *arg.plVal = -7;
    } else if (arg.vt == (VT_BYREF | VT_BOOL)) {
      *arg.pboolVal = VARIANT_TRUE;
    }
  }
  if (result != nullptr) {
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocString(L"fertig");
  }
}

class TestObject final : public kit::DispatchBase {
 public:
  explicit TestObject(int32_t number) : number_(number) {}
  ~TestObject() override {
    Record("release " + std::to_string(number_));
    std::lock_guard lock(TheState().mutex);
    --TheState().live;
  }

  // Late binding as a VB program does it: the name in any case.
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    std::fill(ids, ids + count, DISPID_UNKNOWN);
    if (count != 1 || CompareStringOrdinal(names[0], -1, L"convertEx", -1, TRUE) != CSTR_EQUAL)
      return DISP_E_UNKNOWNNAME;
    ids[0] = kConvertEx;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT*) override {
    if (id != kConvertEx) return DISP_E_MEMBERNOTFOUND;
    if (params == nullptr) return E_INVALIDARG;
    // COM hands the arguments over last first; the record lists them in order.
    std::string line = "convertEx " + std::to_string(number_);
    for (UINT i = params->cArgs; i > 0; --i) line += " " + Describe(params->rgvarg[i - 1]);
    Record(line);

    bool fails = false;
    std::wstring failure;
    if (params->cArgs > 0 && params->rgvarg[params->cArgs - 1].vt == VT_BSTR) {
      std::lock_guard lock(TheState().mutex);
      auto found =
          TheState().failing_sources.find(TextOf(params->rgvarg[params->cArgs - 1].bstrVal));
      fails = found != TheState().failing_sources.end();
      if (fails) failure = found->second;
    }
    if (fails) {
      Record("failed " + std::to_string(number_));
      return kit::Raise(info, kProgId, failure, kConvertFailed);
    }
    TouchArguments(params, result);
    return S_OK;
  }

 private:
  int32_t number_;
};

HRESULT MakeObject(REFIID riid, void** out) {
  int32_t number = 0;
  {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    if (state.refuse_after >= 0 && state.created >= state.refuse_after) {
      state.record += "refuse\n";
      return E_FAIL;
    }
    number = ++state.created;
    ++state.live;
    state.record += "create " + std::to_string(number) + "\n";
  }
  auto* object = new (std::nothrow) TestObject(number);
  if (object == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = object->QueryInterface(riid, out);
  object->Release();
  return result;
}

kit::ClassFactory<MakeObject> factory;

}  // namespace

extern "C" {

STDAPI DllGetClassObject(REFCLSID class_id, REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (class_id != kClassId) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(riid, out);
}

STDAPI DllCanUnloadNow(void) {
  std::lock_guard lock(TheState().mutex);
  return TheState().live == 0 && !factory.locked() ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer(void) {
  uint32_t delay = 0;
  {
    std::lock_guard lock(TheState().mutex);
    delay = TheState().register_delay_ms;
  }
  Sleep(delay);
  const std::wstring path = kit::OwnPath();
  Record("register " + kit::Utf8(path.data(), path.size()));
  return kit::RegisterInprocServer(kProgId, kClassIdText);
}

// For tests that start registered: no delay, no record.
STDAPI TestComponentRegisterQuietly(void) {
  return kit::RegisterInprocServer(kProgId, kClassIdText);
}

STDAPI DllUnregisterServer(void) {
  Record("unregister");
  return kit::UnregisterInprocServer(kProgId, kClassIdText);
}

void TestComponentReset(void) {
  State& state = TheState();
  std::lock_guard lock(state.mutex);
  state.record.clear();
  state.created = 0;
  state.refuse_after = -1;
  state.register_delay_ms = 0;
  state.failing_sources.clear();
}

void TestComponentRefuseCreationsAfter(int32_t count) {
  std::lock_guard lock(TheState().mutex);
  TheState().refuse_after = count;
}

void TestComponentFailConvertFor(const char* source) {
  std::lock_guard lock(TheState().mutex);
  TheState().failing_sources[source] = L"Quelldatei hat sich beim Lesen geändert";
}

void TestComponentFailConvertWith(const char* source, const uint16_t* message, uint32_t length) {
  std::lock_guard lock(TheState().mutex);
  TheState().failing_sources[source] =
      std::wstring(reinterpret_cast<const wchar_t*>(message), length);
}

void TestComponentSetRegisterDelay(uint32_t milliseconds) {
  std::lock_guard lock(TheState().mutex);
  TheState().register_delay_ms = milliseconds;
}

uint32_t TestComponentRecord(char* buffer, uint32_t capacity) {
  std::lock_guard lock(TheState().mutex);
  const std::string& record = TheState().record;
  if (buffer != nullptr)
    std::memcpy(buffer, record.data(), std::min<size_t>(capacity, record.size()));
  return static_cast<uint32_t>(record.size());
}

int32_t TestComponentLiveObjects(void) {
  std::lock_guard lock(TheState().mutex);
  return TheState().live;
}

}  // extern "C"
