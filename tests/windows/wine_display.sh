# shellcheck shell=bash
# Sourced by the tests that drive real Windows windows under Wine: an X server of the test's
# own, Wine on it, and the steps of a user (wait for a window, type, press a key).
# Needs WINE_RUN_DISPLAY (cmake/wine-run-display) set by the sourcing script.
#
#   wine_display_start PREFIX      Xvfb on a free display, DISPLAY and WINEPREFIX exported,
#                                  the prefix made
#   wine_display_stop              ends Wine and Xvfb: call it from the script's EXIT trap
#   wine_run_display PROGRAM ARG.. the program under Wine on that display (in the foreground)
#   wine_forget_dialog_folders     open dialogs start in the working folder again
#   wid=$(wine_wait_window TITLE)  the visible window titled exactly TITLE (a regex), or fail
#   wine_type WID TEXT / wine_key WID KEY
#   wine_wait_window_gone WID      until WID is closed, or fail
#
# Waits give up after WINE_DISPLAY_WAIT seconds (30), so a stuck window fails the test.

WINE_DISPLAY_WAIT=${WINE_DISPLAY_WAIT:-30}
wine_display_xvfb_pid=

wine_display_fail() {
  echo "wine_display: $*" >&2
  # What the screen showed says more than any message.
  if [ -n "${WINE_DISPLAY_SCREENSHOT:-}" ] && command -v import >/dev/null; then
    import -window root "$WINE_DISPLAY_SCREENSHOT" 2>/dev/null &&
      echo "wine_display: screen saved in $WINE_DISPLAY_SCREENSHOT" >&2
  fi
  return 1
}

wine_display_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  if [ -n "$wine_display_xvfb_pid" ]; then
    kill "$wine_display_xvfb_pid" 2>/dev/null || true
    wait "$wine_display_xvfb_pid" 2>/dev/null || true
    wine_display_xvfb_pid=
  fi
}

wine_display_start() {
  local prefix=$1 number_file
  number_file=$(mktemp)
  # -displayfd: the server picks a free display and names it once it takes connections.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  wine_display_xvfb_pid=$!
  local waited=0
  until [ -s "$number_file" ]; do
    if ! kill -0 "$wine_display_xvfb_pid" 2>/dev/null || ((waited++ >= WINE_DISPLAY_WAIT * 10))
    then
      rm -f "$number_file"
      wine_display_fail "Xvfb gave no display"
      return 1
    fi
    sleep 0.1
  done
  DISPLAY=":$(tr -d '\n' <"$number_file")"
  export DISPLAY WINEPREFIX=$prefix
  rm -f "$number_file"
  # Makes the prefix on first use and starts Wine's server and desktop on this display.
  "$WINE_RUN_DISPLAY" "$prefix" cmd /c exit >/dev/null 2>&1
}

wine_run_display() {
  "$WINE_RUN_DISPLAY" "$WINEPREFIX" "$@"
}

wine_forget_dialog_folders() {
  # The open dialog remembers each program's last folder in the prefix, across runs.
  wine_run_display reg delete \
    'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\ComDlg32\LastVisitedMRU' /f \
    >/dev/null 2>&1 || true
}

wine_wait_window() {
  # Only a mapped window takes the input focus; one still being made would refuse it.
  timeout "$WINE_DISPLAY_WAIT" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null |
    head -n 1 | grep . || wine_display_fail "no window titled '$1'"
}

wine_focus() {
  # No window manager runs: the window gets the keyboard only when given it.
  xdotool windowfocus --sync "$1" || wine_display_fail "window $1 took no focus"
}

wine_type() {
  wine_focus "$1" && xdotool type --delay 20 "$2"
}

wine_key() {
  wine_focus "$1" && xdotool key "$2"
}

wine_wait_window_gone() {
  local waited=0
  while xdotool search --onlyvisible --name '.' 2>/dev/null | grep -qx "$1"; do
    ((waited++ < WINE_DISPLAY_WAIT * 10)) || { wine_display_fail "window $1 stayed open"; return 1; }
    sleep 0.1
  done
}
