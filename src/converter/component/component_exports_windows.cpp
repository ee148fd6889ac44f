// The exports of Quorvel.dll (Quorvel.def names exactly these four) and its
// class object. None lets an exception out, and there is no DllMain: the
// DLL finds its own path from an address inside it, and its worker thread
// starts and ends with the converter's objects, never while loading.
#include <windows.h>
#include <objbase.h>

#include <new>
#include <string>

#include "converter/component/compendium_class.h"
#include "converter/component/server_registration.h"
#include "converter/pipeline/converter_context.h"

namespace quorvel {
namespace {

ServerCounts counts;

// Static, so it counts its references without ever being freed: a caller
// holding it keeps the DLL loaded all the same.
class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(counts.class_object_references.fetch_add(1) + 1);
  }

  ULONG STDMETHODCALLTYPE Release() override {
    return static_cast<ULONG>(counts.class_object_references.fetch_sub(1) - 1);
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return CreateCompendium(riid, out);
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      counts.locks.fetch_add(1);
    } else {
      counts.locks.fetch_sub(1);
    }
    return S_OK;
  }
};

ClassFactory class_factory;

// The full path of this DLL, however long, wherever it was loaded from.
HRESULT OwnPath(std::wstring* path) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&class_factory), &module)) {
    return HRESULT_FROM_WIN32(GetLastError());
  }
  for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
    path->assign(size, L'\0');
    const DWORD length = GetModuleFileNameW(module, path->data(), size);
    if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
    if (length < size) {
      path->resize(length);
      return S_OK;
    }
  }
  return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
}

}  // namespace

ServerCounts& Counts() { return counts; }

}  // namespace quorvel

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, quorvel::kCompendiumClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return quorvel::class_factory.QueryInterface(riid, out);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  const quorvel::ServerCounts& counts = quorvel::Counts();
  const bool idle = counts.objects.load() == 0 && counts.locks.load() == 0 &&
                    counts.class_object_references.load() == 0;
  try {
    return idle && !quorvel::ContextInUse() ? S_OK : S_FALSE;
  } catch (...) {
    return S_FALSE;  // ContextInUse locks a mutex; unsure means stay
  }
}

HRESULT STDAPICALLTYPE DllRegisterServer() {
  try {
    std::wstring path;
    const HRESULT hr = quorvel::OwnPath(&path);
    return FAILED(hr) ? hr : quorvel::RegisterServer(path);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
  try {
    std::wstring path;
    const HRESULT hr = quorvel::OwnPath(&path);
    return FAILED(hr) ? hr : quorvel::UnregisterServer(path);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // extern "C"
