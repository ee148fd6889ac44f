#!/usr/bin/env bash
# Installs the build into a scratch prefix as a packager would, and checks
# what a desktop and an uninstall rely on: the link in bin/ reaches the
# program, every icon size is there, the desktop entry and AppStream file
# validate, and removing what install_manifest.txt lists leaves no file.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

fail() { echo "$*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
[[ -L $prefix/bin/Kalvenix && -x $(readlink -f "$prefix/bin/Kalvenix") ]] \
  || fail "bin/Kalvenix is not a link to the program"
[[ -f $(dirname "$(readlink -f "$prefix/bin/Kalvenix")")/Quorvel.so ]] \
  || fail "Quorvel.so is not beside the installed program"
for size in 16 32 48 64 128 256; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/de.orbelia.Kalvenix.png
  [[ -f $icon ]] || fail "no ${size}px icon"
  # The PNG header's width must be the folder's size.
  width=$(od -An -tu1 -j16 -N4 "$icon" | awk '{print $1*16777216 + $2*65536 + $3*256 + $4}')
  [[ $width -eq $size ]] || fail "the ${size}px icon is ${width}px wide"
done
desktop=$prefix/share/applications/de.orbelia.Kalvenix.desktop
desktop-file-validate "$desktop"
grep -qx 'StartupWMClass=Kalvenix' "$desktop" || fail "the desktop entry does not name the window's class"
appstreamcli validate --no-net "$prefix/share/metainfo/de.orbelia.Kalvenix.metainfo.xml" >/dev/null

# Every installed file is listed, the link included, so an uninstall is whole.
manifest=$build/install_manifest.txt
xargs -d '\n' rm -f -- <"$manifest"
left=$(find "$prefix" \( -type f -o -type l \) -print)
[[ -z $left ]] || fail "left after removing the manifest's files:"$'\n'"$left"
echo "installed and removed cleanly"
