// What the Windows suites of Quorvel.dll share: the DLL beside the test's
// .exe and its exports, the registry as a caller sees it, convertEx through
// IDispatch with VARIANTs built as VB and script hosts build them, and small
// pictures made here, written through the W calls so names may hold umlauts.
// Thread-safety: none needed; each test runs on one apartment thread.
#ifndef KALVENIX_TESTS_WINDOWS_COM_SERVER_SUPPORT_H_
#define KALVENIX_TESTS_WINDOWS_COM_SERVER_SUPPORT_H_

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "converter/base/output_type.h"
#include "converter/read/picture_header.h"

namespace quorvel::testing {

std::wstring Wide(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

// Quorvel.dll in the folder of the running test.
std::wstring ServerPath();

// The DLL loaded by path, so its exports can be called as the program calls
// DllRegisterServer. E_FAIL when it cannot be loaded or lacks the export.
HRESULT CallServerExport(const char* name);

// The registry under HKEY_CURRENT_USER: a REG_SZ value (null `name` for the
// default), nothing when the key or value is missing.
std::optional<std::wstring> RegistryText(const std::wstring& key, const wchar_t* name = nullptr);
bool RegistryKeyExists(const std::wstring& key);

// COM on this thread, an apartment, for the test's life.
class Apartment {
 public:
  Apartment();
  ~Apartment();
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
  HRESULT status() const { return status_; }

 private:
  HRESULT status_;
};

// VARIANT arguments in the method's order, with storage for the by-reference
// ones; cleared when it goes.
class Arguments {
 public:
  Arguments() = default;
  ~Arguments();
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  // By value; the text is copied into a BSTR the object owns.
  Arguments& Text(const std::wstring& text);
  Arguments& I4(int32_t value);
  Arguments& Bool(bool value);
  Arguments& Value(const VARIANT& value);  // copied (VariantCopy)

  // By reference to storage here; the returned VARIANT is the storage, read
  // it after the call. The type of a VT_BYREF|type argument is `value.vt`.
  VARIANT& Reference(const VARIANT& value);
  // VT_BYREF|VT_VARIANT to a VARIANT holding `value`, as scripts pass theirs.
  VARIANT& VariantReference(const VARIANT& value);

  size_t size() const { return given_.size(); }
  // For DISPPARAMS: last-first, as COM passes them.
  std::vector<VARIANT> Reversed() const;

 private:
  std::vector<VARIANT*> owned_;  // storage, stable in place
  std::vector<VARIANT> given_;   // what is passed, maybe pointing into owned_
};

VARIANT MakeI2(int16_t value);
VARIANT MakeI4(int32_t value);
VARIANT MakeR8(double value);
VARIANT MakeText(const wchar_t* text);  // a new BSTR; the receiver owns it
VARIANT MakeBool(bool value);

// The six usual arguments: the source by value, the rest by reference I4
// and BOOL, as the batch passes them.
void BatchArguments(Arguments* args, const std::wstring& source,
                    const std::wstring& destination, int32_t width, int32_t height,
                    bool transparency, int32_t quality);

struct DispatchCall {
  HRESULT hr = E_FAIL;
  UINT arg_err = 0xFFFFFFFF;
  std::wstring source;       // EXCEPINFO.bstrSource
  std::wstring description;  // EXCEPINFO.bstrDescription
  HRESULT scode = S_OK;
  VARTYPE result_type = VT_ILLEGAL;
  int32_t result_i4 = -1;
};

// GetIDsOfNames(`name`) then Invoke(DISPATCH_METHOD | extra_flags).
DispatchCall Invoke(IDispatch* object, Arguments& args, const wchar_t* name = L"convertEx",
                    WORD extra_flags = 0);

// A new converter object through the registry, as a late-bound caller gets it.
HRESULT CreateConverter(IDispatch** out);

// A small test card encoded as `type`, written to `path`.
bool WritePicture(const std::wstring& path, OutputType type, uint32_t width, uint32_t height);
std::vector<uint8_t> ReadWholeFile(const std::wstring& path);
bool Exists(const std::wstring& path);
// The header of the written file, read by the converter's own probe.
PictureHeader HeaderOf(const std::wstring& path);

}  // namespace quorvel::testing

#endif  // KALVENIX_TESTS_WINDOWS_COM_SERVER_SUPPORT_H_
