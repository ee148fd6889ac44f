; Kalvenix's Windows setup program. It installs for the current user only, so it needs no
; administrator: the program folder is the user's own ($LOCALAPPDATA\Programs), the Start-menu
; entry and the uninstall entry are the user's, and the converter registers itself per user
; (HKCU\Software\Classes) when the program first needs it.
;
; The uninstaller removes what the setup program put there and nothing else: it names every
; file it deletes and removes the folder only when that leaves it empty, so pictures a user
; kept in or beside the program folder stay.
;
; cmake/Installer.cmake runs makensis with these defines:
;   VERSION        the version as the program shows it, "1.01"
;   VERSION_QUAD   the same as four numbers for the version record, "1.1.0.0"
;   KALVENIX_EXE   Kalvenix.exe as built
;   QUORVEL_DLL    Quorvel.dll as built
;   ICON           resources/kalvenix.ico
;   OUTFILE        where the setup program goes

Unicode true
; 64-bit like the program: the setup program itself loads Quorvel.dll to unregister it.
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma
; A file that cannot be written (a running Kalvenix) ends the setup rather than leaving a
; program and a converter of two versions side by side.
AllowSkipFiles off

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kalvenix"

Name "Kalvenix ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Kalvenix"
; An update goes where the user put the program last time.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Orbelia - Kalvenix ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Kalvenix.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "German"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=${LANG_GERMAN} "CompanyName" "Orbelia"
VIAddVersionKey /LANG=${LANG_GERMAN} "ProductName" "Kalvenix"
VIAddVersionKey /LANG=${LANG_GERMAN} "FileDescription" "Kalvenix ${VERSION} einrichten"
VIAddVersionKey /LANG=${LANG_GERMAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_GERMAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_GERMAN} "OriginalFilename" "Kalvenix-${VERSION}-setup.exe"
VIAddVersionKey /LANG=${LANG_GERMAN} "LegalCopyright" "Orbelia, GPL-3.0-or-later"

Section "Kalvenix"
  SectionIn RO
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "/oname=Kalvenix.exe" "${KALVENIX_EXE}"
  File "/oname=Quorvel.dll" "${QUORVEL_DLL}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Kalvenix.lnk" "$INSTDIR\Kalvenix.exe" "" \
                 "$INSTDIR\Kalvenix.exe" 0 SW_SHOWNORMAL "" "Bilder in einen anderen Bildtyp umwandeln"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Kalvenix"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Orbelia"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kalvenix.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  SetShellVarContext current

  ; A running Kalvenix holds both files. Trying the program first stops the uninstaller before
  ; it has changed anything, and keeps the uninstall entry for a second try.
  ClearErrors
  Delete "$INSTDIR\Kalvenix.exe"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION \
        "Kalvenix läuft noch. Bitte beenden Sie Kalvenix und starten Sie die Deinstallation erneut." \
        /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  ; The program registered the converter from this folder on first use; the converter's own
  ; export knows which keys that wrote, the user's and, under Wine, the machine's copy.
  ${If} ${FileExists} "$INSTDIR\Quorvel.dll"
    UnRegDLL "$INSTDIR\Quorvel.dll"
  ${EndIf}
  ClearErrors
  Delete "$INSTDIR\Quorvel.dll"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION \
        "Quorvel.dll wird noch von einem anderen Programm verwendet. Bitte beenden Sie es und starten Sie die Deinstallation erneut." \
        /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  Delete "$SMPROGRAMS\Kalvenix.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  Delete "$INSTDIR\Uninstall.exe"
  ; Never /r: whatever else is in the folder is the user's.
  RMDir "$INSTDIR"
SectionEnd
