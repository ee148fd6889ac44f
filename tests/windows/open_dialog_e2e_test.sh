#!/usr/bin/env bash
# The system's open dialog and message box under Wine on an X server of the test's own,
# driven as a user would: several names typed at once in a folder with an umlaut, a name in
# a subfolder, the next use starting in that subfolder, a cancel; then the message box.
# Usage: open_dialog_e2e_test.sh WINE_RUN_DISPLAY WINEPREFIX PROBE.exe
set -euo pipefail
export WINE_RUN_DISPLAY=$1
prefix=$2 probe=$3
# shellcheck source=tests/windows/wine_display.sh
source "$(dirname "$0")/wine_display.sh"

work=$(mktemp -d)
export WINE_DISPLAY_SCREENSHOT=$PWD/open_dialog_e2e_failure.png
trap 'wine_display_stop; rm -rf "$work"' EXIT
# Wine shows the host's file system as drive Z:.
windows_path() { local p=${1//\//\\}; echo "Z:$p"; }

folder="$work/Bilder für Tests"
mkdir -p "$folder/Zweiter"
touch "$folder/a.png" "$folder/b.png" "$folder/Zweiter/c.png" "$folder/Zweiter/d.png"
out="$work/probe.txt"
title='Bild zum Konvertieren auswählen'

wine_display_start "$prefix"
# With no folder remembered, the dialog first opens in the program's working folder.
wine_forget_dialog_folders
cd "$folder"
wine_run_display "$probe" "$(windows_path "$out")" 4 &
probe_pid=$!

wid=$(wine_wait_window "$title")
wine_type "$wid" '"a.png" "b.png"'
wine_key "$wid" Return
wine_wait_window_gone "$wid"

wid=$(wine_wait_window "$title")
wine_type "$wid" 'Zweiter\c.png'
wine_key "$wid" Return
wine_wait_window_gone "$wid"

# d.png is only in Zweiter: found there, the dialog kept its last folder.
wid=$(wine_wait_window "$title")
wine_type "$wid" 'd.png'
wine_key "$wid" Return
wine_wait_window_gone "$wid"

wid=$(wine_wait_window "$title")
wine_key "$wid" Escape
wait "$probe_pid"

wine_run_display "$probe" "$(windows_path "$out")" message &
probe_pid=$!
wid=$(wine_wait_window Kalvenix)
wine_key "$wid" Return
wait "$probe_pid"

at=$(windows_path "$folder")
expected="error=0 file=$at|a.png|b.png
error=0 file=$at\\Zweiter\\c.png
error=0 file=$at\\Zweiter\\d.png
error=1 file=$at\\Zweiter\\d.png
message=closed"
got=$(cat "$out")
if [ "$got" != "$expected" ]; then
  printf 'expected:\n%s\ngot:\n%s\n' "$expected" "$got"
  exit 1
fi
echo "$got"
