#include "converter/component/server_registration.h"

#include <objbase.h>

#include "converter/component/compendium_class.h"

namespace quorvel {
namespace {

// Where a set of class keys lives: the user's own, or the merged view that
// COM reads.
struct Classes {
  HKEY root;
  const wchar_t* prefix;
};
const Classes kUserClasses = {HKEY_CURRENT_USER, L"Software\\Classes\\"};
const Classes kMergedClasses = {HKEY_CLASSES_ROOT, L""};

std::wstring ClsidText() {
  wchar_t text[40] = {};
  StringFromGUID2(kCompendiumClsid, text, 40);
  return text;
}

std::wstring ClsidKey(const Classes& classes) {
  return std::wstring(classes.prefix) + L"CLSID\\" + ClsidText();
}
std::wstring ProgIdKey(const Classes& classes) { return std::wstring(classes.prefix) + kProgIdW; }

HRESULT SetText(HKEY root, const std::wstring& key_path, const wchar_t* name,
                const std::wstring& value) {
  HKEY key = nullptr;
  LSTATUS error = RegCreateKeyExW(root, key_path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE, nullptr, &key, nullptr);
  if (error == ERROR_SUCCESS) {
    // REG_SZ's size counts the terminating NUL.
    error = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  return HRESULT_FROM_WIN32(error);
}

bool TextIs(HKEY root, const std::wstring& key_path, const std::wstring& expected) {
  wchar_t value[MAX_PATH * 4] = {};
  DWORD bytes = sizeof value;
  if (RegGetValueW(root, key_path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &bytes) !=
      ERROR_SUCCESS) {
    return false;
  }
  // File names and GUID texts compare without regard to case, as Windows does.
  return CompareStringOrdinal(value, -1, expected.c_str(), -1, TRUE) == CSTR_EQUAL;
}

HRESULT Remove(HKEY root, const std::wstring& key_path) {
  const LSTATUS error = RegDeleteKeyW(root, key_path.c_str());
  return error == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(error);
}

// A parent key goes only when it holds nothing of anybody else's.
HRESULT RemoveIfEmpty(HKEY root, const std::wstring& key_path) {
  HKEY key = nullptr;
  LSTATUS error = RegOpenKeyExW(root, key_path.c_str(), 0, KEY_QUERY_VALUE, &key);
  if (error == ERROR_FILE_NOT_FOUND) return S_OK;
  if (error != ERROR_SUCCESS) return HRESULT_FROM_WIN32(error);
  DWORD subkeys = 0;
  DWORD values = 0;
  error = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                           nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  if (error != ERROR_SUCCESS) return HRESULT_FROM_WIN32(error);
  return subkeys == 0 && values == 0 ? Remove(root, key_path) : S_OK;
}

HRESULT WriteKeys(const Classes& classes, const std::wstring& dll_path) {
  const std::wstring clsid_key = ClsidKey(classes);
  const std::wstring server_key = clsid_key + L"\\InprocServer32";
  HRESULT hr = SetText(classes.root, server_key, nullptr, dll_path);
  if (SUCCEEDED(hr)) hr = SetText(classes.root, server_key, L"ThreadingModel", L"Apartment");
  if (SUCCEEDED(hr)) hr = SetText(classes.root, clsid_key + L"\\ProgID", nullptr, kProgIdW);
  // The ProgID last: once it resolves, the class it names is complete.
  if (SUCCEEDED(hr)) {
    hr = SetText(classes.root, ProgIdKey(classes) + L"\\CLSID", nullptr, ClsidText());
  }
  return hr;
}

HRESULT RemoveKeys(const Classes& classes) {
  const std::wstring clsid_key = ClsidKey(classes);
  const std::wstring prog_id_key = ProgIdKey(classes);
  // The ProgID first, so that it never names a class already half gone;
  // every step is tried, the first failure reported.
  const HRESULT steps[] = {
      Remove(classes.root, prog_id_key + L"\\CLSID"),
      RemoveIfEmpty(classes.root, prog_id_key),
      Remove(classes.root, clsid_key + L"\\InprocServer32"),
      Remove(classes.root, clsid_key + L"\\ProgID"),
      RemoveIfEmpty(classes.root, clsid_key),
  };
  for (HRESULT hr : steps) {
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

// Whether COM, reading `classes`, finds this DLL as the ProgID's server.
bool Resolves(const Classes& classes, const std::wstring& dll_path) {
  return TextIs(classes.root, ProgIdKey(classes) + L"\\CLSID", ClsidText()) &&
         TextIs(classes.root, ClsidKey(classes) + L"\\InprocServer32", dll_path);
}

}  // namespace

HRESULT RegisterServer(const std::wstring& dll_path) {
  HRESULT hr = WriteKeys(kUserClasses, dll_path);
  if (FAILED(hr)) return hr;
  // Windows shows the user's classes through HKEY_CLASSES_ROOT. Wine (8.0)
  // does not, and COM there would never find a per-user registration; only
  // then do the same keys go into the machine's classes, which Wine lets
  // every user write.
  if (!Resolves(kMergedClasses, dll_path)) hr = WriteKeys(kMergedClasses, dll_path);
  return hr;
}

HRESULT UnregisterServer(const std::wstring& dll_path) {
  const HRESULT hr = RemoveKeys(kUserClasses);
  if (FAILED(hr)) return hr;
  // What still leads COM to this DLL is the copy made above (or the same
  // registration made machine-wide): this DLL no longer serves the class.
  return Resolves(kMergedClasses, dll_path) ? RemoveKeys(kMergedClasses) : S_OK;
}

}  // namespace quorvel
