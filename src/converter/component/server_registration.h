// The class's registration for the current user, under HKCU\Software\Classes,
// so that it needs no administrator:
//   Dravimo.Compendium\CLSID               (default) = "{015FF944-...}"
//   CLSID\{015FF944-...}\ProgID            (default) = "Dravimo.Compendium"
//   CLSID\{015FF944-...}\InprocServer32    (default) = the DLL's full path,
//                                          ThreadingModel = "Apartment"
// Registering again rewrites the same values. Where the system does not show
// the user's classes through HKEY_CLASSES_ROOT (Wine), the same keys are also
// written there, so that COM finds the class at all; Windows never needs it.
// Unregistering removes exactly those keys, then the CLSID's and the ProgID's
// own key if nothing else is left in them, and the keys in HKEY_CLASSES_ROOT
// as long as they still name this DLL; keys already gone count as removed.
// A registry failure is HRESULT_FROM_WIN32 of its error, and what was written
// before it stays.
// Thread-safety: reentrant; the registry serialises the writes.
#ifndef KALVENIX_CONVERTER_COMPONENT_SERVER_REGISTRATION_H_
#define KALVENIX_CONVERTER_COMPONENT_SERVER_REGISTRATION_H_

#include <string>

#include <windows.h>

namespace quorvel {

HRESULT RegisterServer(const std::wstring& dll_path);
HRESULT UnregisterServer(const std::wstring& dll_path);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_COMPONENT_SERVER_REGISTRATION_H_
