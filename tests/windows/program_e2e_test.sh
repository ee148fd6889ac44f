#!/usr/bin/env bash
# The whole program as a Windows user meets it: installed by the setup program, started from
# the Start-menu's folder, two pictures chosen through the real open dialog, "GIF" with
# "Transparenz", "Konvertieren", "Beenden". Then the two GIFs stand beside their sources, the
# program has registered its converter for the user by itself, and the uninstaller takes the
# program and that registration away and leaves every picture.
# The window is driven from the keyboard, as its tab order lays it out: a wrong tab order or
# a control that takes no keys fails here as it would fail a user.
# Usage: program_e2e_test.sh WINE_RUN_DISPLAY WORK_DIR SETUP_EXE
set -euo pipefail
export WINE_RUN_DISPLAY=$1
work=$2 setup=$3
[[ $work == /*/program-e2e ]] || { echo "refusing to empty $work"; exit 2; }
rm -rf "$work"
mkdir -p "$work/home"
# Wine links the user's folders to $HOME; the console code page follows the locale.
export HOME=$work/home LC_ALL=C.UTF-8
# shellcheck source=tests/windows/wine_display.sh
source "$(dirname "$0")/wine_display.sh"
export WINE_DISPLAY_SCREENSHOT=$work/failure.png
trap wine_display_stop EXIT

fail() { echo "FAIL: $*"; wine_display_fail "$*" || true; exit 1; }
w() { wine_run_display "$@"; }
env_value() { w cmd /c echo "%$1%" | tr -d '\r'; }
unix_path() { w winepath -u "$1" | tr -d '\r'; }
key_exists() { w reg query "$1" >/dev/null 2>&1; }
keys() {  # WID KEY COUNT
  local i
  for ((i = 0; i < $3; ++i)); do wine_key "$1" "$2"; done
}
wait_for_files() {
  local waited=0 f
  for f in "$@"; do
    until [ -s "$f" ]; do
      ((waited++ < WINE_DISPLAY_WAIT * 10)) || fail "$f was not written"
      sleep 0.1
    done
  done
}

echo "== making the Wine prefix on a display of its own"
wine_display_start "$work/wineprefix"
program_dir="$(env_value LOCALAPPDATA)\\Programs\\Kalvenix"
clsid='{015FF944-6FB4-42F0-8D33-51DCE0F82CEA}'

echo "== installing"
w "$setup" /S
shortcut="$(unix_path "$(env_value APPDATA)")/Microsoft/Windows/Start Menu/Programs/Kalvenix.lnk"
[ -f "$(unix_path "$program_dir\\Kalvenix.exe")" ] || fail "Kalvenix.exe not installed"
[ -f "$shortcut" ] || fail "no Start-menu entry"
! key_exists "HKCU\\Software\\Classes\\CLSID\\$clsid" || fail "the converter is registered already"

# Two pictures made here, in a folder whose name the dialog has to carry through.
folder="$work/Bilder für Tests"
mkdir -p "$folder"
python3 - "$folder" <<'PICTURES'
import struct, sys
def bmp(path, width, height, shade):
    row = bytearray()
    for y in range(height):
        for x in range(width):
            row += bytes(((x * 255 // width), (y * 255 // height), shade))
        row += bytes((4 - width * 3 % 4) % 4)
    header = struct.pack('<2sIHHI', b'BM', 54 + len(row), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(row), 2835, 2835, 0, 0)
    with open(path, 'wb') as out:
        out.write(header + info + row)
bmp(sys.argv[1] + '/a.bmp', 64, 48, 40)
bmp(sys.argv[1] + '/b.bmp', 33, 21, 200)
PICTURES
sha256sum "$folder/a.bmp" "$folder/b.bmp" >"$work/sources.sha256"

echo "== choosing two pictures, GIF with transparency, converting"
# With no folder remembered the open dialog starts in the program's working folder.
wine_forget_dialog_folders
cd "$folder"
w "$program_dir\\Kalvenix.exe" &
program=$!
main=$(wine_wait_window 'Orbelia - Kalvenix')
# The focus starts in the quality box; "Add" is the fifth tab stop after it.
keys "$main" Tab 5
wine_key "$main" space
dialog=$(wine_wait_window 'Bild zum Konvertieren auswählen')
wine_type "$dialog" '"a.bmp" "b.bmp"'
wine_key "$dialog" Return
wine_wait_window_gone "$dialog"
# Back on "Add": the type list is four tab stops before it; "GIF" is the entry above "JPG".
keys "$main" shift+Tab 4
wine_key "$main" Up
# Under "GIF" the check box follows the file list, and "Konvertieren" the check box.
keys "$main" Tab 6
wine_key "$main" space
wine_key "$main" Tab
wine_key "$main" space
wait_for_files "$folder/a.GIF" "$folder/b.GIF"
# GIF89a with a transparent colour, at the size the window's boxes give (640 x 480).
python3 - "$folder/a.GIF" "$folder/b.GIF" <<'GIFS' || fail "the GIFs are not what was chosen"
import sys
for path in sys.argv[1:]:
    data = open(path, 'rb').read()
    control = data.find(b'\x21\xf9\x04')
    assert data[:6] == b'GIF89a' and control > 0 and data[control + 3] & 1, path + ': not transparent'
    assert int.from_bytes(data[6:8], 'little') == 640, path + ': not 640 wide'
    assert int.from_bytes(data[8:10], 'little') <= 480, path + ': taller than 480'
GIFS
# A batch that converted everything says nothing.
! xdotool search --onlyvisible --name '^Kalvenix$' >/dev/null 2>&1 ||
  fail "the batch showed a message"
key_exists "HKCU\\Software\\Classes\\CLSID\\$clsid\\InprocServer32" ||
  fail "the program did not register its converter"

echo "== Beenden"
wine_key "$main" Tab
wine_key "$main" space
wine_wait_window_gone "$main"
wait "$program" || fail "the program ended with status $?"

echo "== uninstalling"
w "$program_dir\\Uninstall.exe" /S
wineserver -w
[ ! -e "$(unix_path "$program_dir")" ] || fail "the program folder is left"
[ ! -e "$shortcut" ] || fail "the Start-menu entry is left"
for key in "HKCU\\Software\\Classes\\CLSID\\$clsid" "HKCU\\Software\\Classes\\Dravimo.Compendium" \
           "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kalvenix"; do
  ! key_exists "$key" || fail "$key is left"
done
sha256sum --quiet -c "$work/sources.sha256" || fail "a source picture changed"
for f in a b; do
  [ -s "$folder/$f.GIF" ] || fail "the uninstaller took $f.GIF"
done
echo "== converted, ended and uninstalled; the pictures are all there"
