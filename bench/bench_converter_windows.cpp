#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <psapi.h>

#include <cstdio>
#include <memory>
#include <string>

#include "bench_converter.h"

namespace bench {
namespace {

std::wstring Wide(const std::string& utf8) {
  const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::wstring out(size_t(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), units);
  return out;
}

std::string Narrow(const std::wstring& wide) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0,
                                        nullptr, nullptr);
  std::string out(size_t(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), out.data(), bytes, nullptr,
                      nullptr);
  return out;
}

HRESULT Create(IDispatch** out) {
  CLSID clsid{};
  const HRESULT hr = CLSIDFromProgID(L"Dravimo.Compendium", &clsid);
  if (FAILED(hr)) return hr;
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                          reinterpret_cast<void**>(out));
}

double Ms(const FILETIME& time) {
  return double(ULARGE_INTEGER{{time.dwLowDateTime, time.dwHighDateTime}}.QuadPart) / 1e4;
}

}  // namespace

std::string DefaultLibrary() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), DWORD(path.size())));
  return Narrow(path.substr(0, path.find_last_of(L"\\/") + 1) + L"Quorvel.dll");
}

std::string NewOutputFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring folder =
      std::wstring(temp) + L"convert_bench_" + std::to_wstring(GetCurrentProcessId());
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    std::fprintf(stderr, "cannot make %s\n", Narrow(folder).c_str());
    return {};
  }
  return Narrow(folder);
}

bool EnsureRegistered(const std::string& library) {
  // The bench's one thread is its apartment for the whole run.
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return false;
  IDispatch* probe = nullptr;
  if (SUCCEEDED(Create(&probe))) {
    probe->Release();
    return true;
  }
  const HMODULE module = LoadLibraryW(Wide(library).c_str());
  if (module == nullptr) {
    std::fprintf(stderr, "cannot load %s (error %lu)\n", library.c_str(), GetLastError());
    return false;
  }
  const auto register_server = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
  const bool registered = register_server != nullptr && SUCCEEDED(register_server());
  FreeLibrary(module);  // COM loads it again on its own
  if (!registered || FAILED(Create(&probe))) return false;
  probe->Release();
  return true;
}

struct HeldObject::Object {
  IDispatch* value = nullptr;
  ~Object() {
    if (value != nullptr) value->Release();
  }
};

HeldObject::HeldObject() : object(std::make_unique<Object>()) {}
HeldObject::~HeldObject() = default;

Outcome ConvertWithNewObject(const Call& call, HeldObject* held) {
  Outcome outcome;
  IDispatch* object = nullptr;
  if (FAILED(Create(&object))) {
    outcome.message = "creation failed";
    return outcome;
  }
  if (held->object->value != nullptr) held->object->value->Release();
  held->object->value = object;
  BSTR destination = SysAllocString(Wide(call.destination).c_str());
  LONG width = call.width;
  LONG height = call.height;
  VARIANT_BOOL transparency = call.transparency ? VARIANT_TRUE : VARIANT_FALSE;
  LONG quality = call.quality;
  // Last-first, as COM passes them: the source by value, the rest by reference.
  VARIANT args[6];
  for (VARIANT& v : args) VariantInit(&v);
  args[5].vt = VT_BSTR;
  args[5].bstrVal = SysAllocString(Wide(call.source).c_str());
  args[4].vt = VT_BYREF | VT_BSTR;
  args[4].pbstrVal = &destination;
  args[3].vt = VT_BYREF | VT_I4;
  args[3].plVal = &width;
  args[2].vt = VT_BYREF | VT_I4;
  args[2].plVal = &height;
  args[1].vt = VT_BYREF | VT_BOOL;
  args[1].pboolVal = &transparency;
  args[0].vt = VT_BYREF | VT_I4;
  args[0].plVal = &quality;
  DISPPARAMS params{args, nullptr, 6, 0};
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"convertEx")};
  DISPID id = DISPID_UNKNOWN;
  EXCEPINFO exception{};
  VARIANT result;
  VariantInit(&result);
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (SUCCEEDED(hr)) {
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                        &exception, nullptr);
  }
  VariantClear(&result);
  VariantClear(&args[5]);
  SysFreeString(destination);
  outcome.ok = SUCCEEDED(hr);
  outcome.width = width;
  outcome.height = height;
  if (!outcome.ok) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    outcome.message = std::string("HRESULT ") + code;
    if (exception.bstrDescription != nullptr) {
      outcome.message += ": " + Narrow(exception.bstrDescription);
    }
  }
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  return outcome;
}

double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  return Ms(kernel) + Ms(user);
}

double PeakResidentMiB() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return double(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

}  // namespace bench
