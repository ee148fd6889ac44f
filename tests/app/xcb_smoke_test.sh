#!/usr/bin/env bash
# Starts the real program on the xcb platform under an Xvfb of its own, waits
# for its window, checks title and size, and ends it with "Beenden" as a user
# would. Every wait is bounded, so a hang fails instead of stalling CI.
set -uo pipefail
program=$1

if [[ -z ${KALVENIX_SMOKE_UNDER_XVFB:-} ]]; then
  export KALVENIX_SMOKE_UNDER_XVFB=1
  exec timeout 100 xvfb-run -a -s "-screen 0 800x600x24" "$0" "$program"
fi

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
"$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null' EXIT

window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Orbelia - Kalvenix$' | head -n 1)
[[ -n $window ]] || fail "no window titled 'Orbelia - Kalvenix' within 30 s"

title=$(xdotool getwindowname "$window")
[[ $title == "Orbelia - Kalvenix" ]] || fail "title is '$title'"
size=$(xdotool getwindowgeometry "$window" | sed -n 's/^ *Geometry: //p')
[[ $size == 312x224 ]] || fail "client area is $size, expected 312x224"

# The centre of "Beenden": (3225 + 1365 / 2) / 15, (2775 + 465 / 2) / 15.
xdotool mousemove --window "$window" 260 200 click 1

for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "still running 10 s after Beenden"
wait "$pid"
status=$?
trap - EXIT
[[ $status -eq 0 ]] || fail "exit status $status after Beenden"
echo "window $window: '$title' $size, ended by Beenden"
