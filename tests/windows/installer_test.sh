#!/usr/bin/env bash
# The setup program under Wine, as a user without administrator meets it: a silent install,
# the converter registered as the program registers it, a silent uninstall; then nothing of
# Kalvenix may be left, and every picture of the user must be as it was. A second round
# installs into a folder of the user's choosing, with spaces and umlauts, in which the user
# keeps a picture of their own: the uninstaller leaves it and the folder.
# Usage: installer_test.sh WINE_RUN WORK_DIR SETUP_EXE
# WORK_DIR is made afresh: a new Wine prefix, and a home folder of its own, since Wine links
# the user's Pictures and Documents folders to $HOME.
set -euo pipefail
wine_run=$1 work=$2 setup=$3
[[ $work == /*/installer-test ]] || { echo "refusing to empty $work"; exit 2; }
rm -rf "$work"
mkdir -p "$work/home"
export HOME=$work/home WINEPREFIX=$work/wineprefix
# Wine's console code page follows the locale; this one makes it 437, which reg_query reads.
export LC_ALL=C.UTF-8
w() { "$wine_run" "$WINEPREFIX" "$@"; }
fail() { echo "FAIL: $*"; exit 1; }
unix_path() { w winepath -u "$1" | tr -d '\r'; }
env_value() { w cmd /c echo "%$1%" | tr -d '\r'; }
key_exists() { w reg query "$1" >/dev/null 2>&1; }
reg_query() { w reg query "$@" | iconv -f CP437 -t UTF-8; }

uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kalvenix'
clsid='{015FF944-6FB4-42F0-8D33-51DCE0F82CEA}'
com_keys=("HKCU\\Software\\Classes\\Dravimo.Compendium" "HKCU\\Software\\Classes\\CLSID\\$clsid"
          "HKCR\\Dravimo.Compendium" "HKCR\\CLSID\\$clsid")

echo "== making the Wine prefix"
local_app_data=$(env_value LOCALAPPDATA)
programs_unix=$(unix_path "$local_app_data\\Programs")
default_dir="$local_app_data\\Programs\\Kalvenix"
shortcut="$(unix_path "$(env_value APPDATA)")/Microsoft/Windows/Start Menu/Programs/Kalvenix.lnk"
profile=$(env_value USERPROFILE)
# Run from the user's temporary folder, like a download, where the path has no spaces.
setup_copy="$(env_value TEMP)\\$(basename "$setup")"
cp "$setup" "$(unix_path "$setup_copy")"

# The user's pictures: in their Pictures folder, and beside the program folder.
pictures=("$(unix_path "$profile\\Pictures")/urlaub.jpg" "$programs_unix/foto.png")
for p in "${pictures[@]}"; do
  mkdir -p "$(dirname "$p")"
  head -c 4096 /dev/urandom >"$p"
done
sha256sum "${pictures[@]}" >"$work/pictures.sha256"

# Every DLL a shipped file imports is either shipped beside it or part of Windows.
check_imports() {
  local dir=$1 file dll
  for file in "$dir/Kalvenix.exe" "$dir/Quorvel.dll"; do
    while read -r dll; do
      [ -n "$(find "$dir" "$WINEPREFIX/drive_c/windows/system32" -maxdepth 1 -iname "$dll")" ] ||
        fail "$(basename "$file") needs $dll, which is neither shipped nor part of Windows"
    done < <(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p')
  done
}

# One round: install into the folder $1 (a Windows path; the setup program's own default is
# taken without /D=), register, uninstall. $2, if given, is a picture the user keeps there.
round() {
  local dir=$1 dir_unix f key
  dir_unix=$(unix_path "$dir")
  echo "== installing into $dir"
  if [ "$dir" = "$default_dir" ]; then
    w "$setup_copy" /S
  else
    # /D= takes the rest of the command line as it stands, spaces and all. Wine would quote
    # it as one argument; cmd passes it on as typed, and waits for the program it starts.
    w cmd /c "$setup_copy /S /D=$dir"
  fi
  for f in Kalvenix.exe Quorvel.dll Uninstall.exe; do
    [ -f "$dir_unix/$f" ] || fail "$f not installed in $dir"
  done
  [ -f "$shortcut" ] || fail "no Start-menu entry"
  reg_query "$uninstall_key" /v UninstallString |
    grep -iF "\"$dir\\Uninstall.exe\"" >/dev/null ||
    fail "the uninstall entry does not name $dir\\Uninstall.exe"
  reg_query "$uninstall_key" /v DisplayVersion | grep "1\.01" >/dev/null ||
    fail "the uninstall entry has no version 1.01"
  check_imports "$dir_unix"

  echo "== registering the converter"
  w regsvr32 /s "$dir\\Quorvel.dll"
  reg_query "HKCU\\Software\\Classes\\CLSID\\$clsid\\InprocServer32" /ve |
    grep -iF "$dir\\Quorvel.dll" >/dev/null ||
    fail "the class does not name the installed Quorvel.dll"
  key_exists "HKCU\\Software\\Classes\\Dravimo.Compendium\\CLSID" || fail "no ProgID"

  if [ -n "${2:-}" ]; then
    head -c 4096 /dev/urandom >"$dir_unix/$2"
    sha256sum "$dir_unix/$2" >>"$work/pictures.sha256"
  fi

  echo "== uninstalling"
  # The uninstaller hands over to a copy of itself in the temporary folder and returns; the
  # Wine server ends when that copy, the last program of the prefix, has ended.
  w "$dir\\Uninstall.exe" /S
  wineserver -w
  for f in Kalvenix.exe Quorvel.dll Uninstall.exe; do
    [ ! -e "$dir_unix/$f" ] || fail "$f left in $dir"
  done
  [ ! -e "$shortcut" ] || fail "the Start-menu entry is left"
  ! key_exists "$uninstall_key" || fail "the uninstall entry is left"
  for key in "${com_keys[@]}"; do
    ! key_exists "$key" || fail "$key is left"
  done
}

round "$default_dir"
[ ! -e "$(unix_path "$default_dir")" ] || fail "the emptied program folder is left"

own_dir="$profile\\Meine Programme\\Bilder für Kalvenix"
round "$own_dir" "Möwe.png"
[ "$(ls -A "$(unix_path "$own_dir")")" = "Möwe.png" ] ||
  fail "the folder should hold only the user's picture: $(ls -A "$(unix_path "$own_dir")")"

sha256sum --quiet -c "$work/pictures.sha256" || fail "a picture of the user changed"
echo "== the user's pictures are all there, unchanged"
