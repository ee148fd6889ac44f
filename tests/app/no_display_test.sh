#!/usr/bin/env bash
# Without a display the program says so in one German line and exits non-zero,
# instead of Qt's platform abort.
set -uo pipefail
program=$1
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 "$program" 2>"$errors" >/dev/null
status=$?
if [[ $status -eq 0 || $status -eq 124 ]]; then
  echo "expected a quick failing exit, got status $status" >&2
  exit 1
fi
if [[ $(wc -l <"$errors") -ne 1 ]] || ! grep -q '^Kalvenix: Keine Bildschirmanzeige gefunden' "$errors"; then
  echo "expected one German line, got:" >&2
  cat "$errors" >&2
  exit 1
fi
