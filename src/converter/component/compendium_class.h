// The COM class "Dravimo.Compendium" that Quorvel.dll serves on Windows, and
// what the DLL's parts share about it.
//
// Identity: the fixed CLSID below (ours, made once; never change it, since
// registrations and callers that bound early name it) and the ProgID.
// Dispatch: one method, convertEx, DISPID 1, found by GetIDsOfNames without
// regard to case. A failed conversion is DISP_E_EXCEPTION whose EXCEPINFO
// carries bstrSource "Dravimo.Compendium", the converter's German message as
// bstrDescription, and as scode ConverterHresult(code):
//   MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x200 + code),
// so kCannotRead (101) is 0x80040265; 0x200 keeps clear of the codes COM
// reserves for FACILITY_ITF.
// Lifetime: the server counts its live objects, class-object references and
// locks here; DllCanUnloadNow agrees only when all are 0 and the converter
// context has been shut down with the last object.
// Thread-safety: the counts are atomic; an object is used by one apartment.
#ifndef KALVENIX_CONVERTER_COMPONENT_COMPENDIUM_CLASS_H_
#define KALVENIX_CONVERTER_COMPONENT_COMPENDIUM_CLASS_H_

#include <atomic>

#include <windows.h>

#include "converter/base/error.h"

namespace quorvel {

// {015FF944-6FB4-42F0-8D33-51DCE0F82CEA}
inline constexpr CLSID kCompendiumClsid = {
    0x015ff944, 0x6fb4, 0x42f0, {0x8d, 0x33, 0x51, 0xdc, 0xe0, 0xf8, 0x2c, 0xea}};
inline constexpr wchar_t kProgIdW[] = L"Dravimo.Compendium";
inline constexpr wchar_t kConvertExNameW[] = L"convertEx";
inline constexpr DISPID kConvertExDispId = 1;
inline constexpr WORD kConverterScodeBase = 0x200;

inline HRESULT ConverterHresult(Error code) {
  return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF,
                      kConverterScodeBase + static_cast<WORD>(code));
}

// What keeps the DLL loaded besides the converter context.
struct ServerCounts {
  std::atomic<long> objects{0};
  std::atomic<long> class_object_references{0};
  std::atomic<long> locks{0};
};
ServerCounts& Counts();

// A new Compendium asked for `riid` (IUnknown or IDispatch), one reference
// for the caller. E_NOINTERFACE, E_OUTOFMEMORY; never throws.
HRESULT CreateCompendium(REFIID riid, void** out) noexcept;

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_COMPONENT_COMPENDIUM_CLASS_H_
