#include "com_server_support.h"

#include <objbase.h>
#include <oleauto.h>

#include "converter/component/compendium_class.h"
#include "converter/write/encode.h"
#include "picture_checks.h"

namespace quorvel::testing {

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

std::wstring ServerPath() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), DWORD(path.size())));
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"Quorvel.dll";
}

HRESULT CallServerExport(const char* name) {
  // Stays loaded, as the program's registration leaves it.
  const HMODULE module = LoadLibraryW(ServerPath().c_str());
  if (module == nullptr) return E_FAIL;
  const auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, name)));
  return entry == nullptr ? E_FAIL : entry();
}

std::optional<std::wstring> RegistryText(const std::wstring& key, const wchar_t* name) {
  DWORD bytes = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr,
                   &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::wstring text(bytes / sizeof(wchar_t), L'\0');
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text.data(),
                   &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  text.resize(bytes / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

bool RegistryKeyExists(const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(handle);
  return true;
}

Apartment::Apartment() : status_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}

Apartment::~Apartment() {
  if (SUCCEEDED(status_)) CoUninitialize();
}

Arguments::~Arguments() {
  for (VARIANT& v : given_) {
    if ((v.vt & VT_BYREF) == 0) VariantClear(&v);
  }
  for (VARIANT* v : owned_) {
    VariantClear(v);
    delete v;
  }
}

Arguments& Arguments::Text(const std::wstring& text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
  given_.push_back(v);
  return *this;
}

Arguments& Arguments::I4(int32_t value) {
  given_.push_back(MakeI4(value));
  return *this;
}

Arguments& Arguments::Bool(bool value) {
  given_.push_back(MakeBool(value));
  return *this;
}

Arguments& Arguments::Value(const VARIANT& value) {
  VARIANT v;
  VariantInit(&v);
  VariantCopy(&v, const_cast<VARIANT*>(&value));
  given_.push_back(v);
  return *this;
}

VARIANT& Arguments::Reference(const VARIANT& value) {
  VARIANT* storage = new VARIANT;
  VariantInit(storage);
  VariantCopy(storage, const_cast<VARIANT*>(&value));
  owned_.push_back(storage);
  VARIANT v;
  VariantInit(&v);
  v.vt = VARTYPE(value.vt | VT_BYREF);
  // Every member of the union starts at its beginning.
  v.byref = &storage->llVal;
  given_.push_back(v);
  return *storage;
}

VARIANT& Arguments::VariantReference(const VARIANT& value) {
  VARIANT* storage = new VARIANT;
  VariantInit(storage);
  VariantCopy(storage, const_cast<VARIANT*>(&value));
  owned_.push_back(storage);
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | VT_VARIANT;
  v.pvarVal = storage;
  given_.push_back(v);
  return *storage;
}

std::vector<VARIANT> Arguments::Reversed() const {
  return std::vector<VARIANT>(given_.rbegin(), given_.rend());
}

VARIANT MakeI2(int16_t value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I2;
  v.iVal = value;
  return v;
}

VARIANT MakeI4(int32_t value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

VARIANT MakeR8(double value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R8;
  v.dblVal = value;
  return v;
}

VARIANT MakeText(const wchar_t* text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(text);
  return v;
}

VARIANT MakeBool(bool value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

void BatchArguments(Arguments* args, const std::wstring& source,
                    const std::wstring& destination, int32_t width, int32_t height,
                    bool transparency, int32_t quality) {
  args->Text(source);
  VARIANT text = MakeText(destination.c_str());
  args->Reference(text);
  VariantClear(&text);
  args->Reference(MakeI4(width));
  args->Reference(MakeI4(height));
  args->Reference(MakeBool(transparency));
  args->Reference(MakeI4(quality));
}

DispatchCall Invoke(IDispatch* object, Arguments& args, const wchar_t* name, WORD extra_flags) {
  DispatchCall call;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  call.hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(call.hr)) return call;
  std::vector<VARIANT> reversed = args.Reversed();
  DISPPARAMS params{reversed.data(), nullptr, UINT(reversed.size()), 0};
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO exception{};
  call.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | extra_flags,
                           &params, &result, &exception, &call.arg_err);
  call.result_type = result.vt;
  if (result.vt == VT_I4) call.result_i4 = result.lVal;
  VariantClear(&result);
  if (exception.bstrSource != nullptr) call.source = exception.bstrSource;
  if (exception.bstrDescription != nullptr) call.description = exception.bstrDescription;
  call.scode = exception.scode;
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  return call;
}

HRESULT CreateConverter(IDispatch** out) {
  CLSID clsid{};
  const HRESULT hr = CLSIDFromProgID(kProgIdW, &clsid);
  if (FAILED(hr)) return hr;
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                          reinterpret_cast<void**>(out));
}

bool WritePicture(const std::wstring& path, OutputType type, uint32_t width, uint32_t height) {
  std::vector<uint8_t> bytes;
  if (!EncodePicture(TestCard(width, height, 3), type, {}, &bytes).ok()) return false;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  CloseHandle(file);
  return ok;
}

std::vector<uint8_t> ReadWholeFile(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  LARGE_INTEGER size{};
  std::vector<uint8_t> bytes;
  if (GetFileSizeEx(file, &size) && size.QuadPart < (1 << 30)) {
    bytes.resize(size_t(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr)) got = 0;
    bytes.resize(got);
  }
  CloseHandle(file);
  return bytes;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

PictureHeader HeaderOf(const std::wstring& path) { return ProbePicture(ReadWholeFile(path)); }

}  // namespace quorvel::testing
