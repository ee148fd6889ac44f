#!/usr/bin/env bash
# regsvr32 Quorvel.dll, then convert_ex.vbs through cscript, under Wine: the
# picture it names must be written at the size the script echoes.
# Usage: script_host_test.sh WINE_RUN WINEPREFIX QUORVEL_DLL SCRIPT
set -euo pipefail
wine_run=$1 prefix=$2 dll=$3 script=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Wine shows the host's file system as drive Z:.
windows_path() { local p=${1//\//\\}; echo "Z:$p"; }

mkdir "$work/Bilder für Tests"
source="$work/Bilder für Tests/Möwe am Strand.bmp"
destination="$work/Bilder für Tests/Möwe am Strand.GIF"
# A 400 x 100 BMP made here: 640 x 480 fits it as 640 x 160.
python3 - "$source" <<'PY'
import struct, sys
w, h = 400, 100
rows = b"".join(bytes(b for x in range(w) for b in (x * 255 // w, y * 255 // h, 128))
                for y in range(h))
header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(header + info + rows)
PY

"$wine_run" "$prefix" regsvr32 /s "$(windows_path "$dll")"
echoed=$("$wine_run" "$prefix" cscript //nologo "$(windows_path "$script")" \
         "$(windows_path "$source")" "$(windows_path "$destination")" | tr -d '\r')
echo "cscript: $echoed"
[ -f "$destination" ] || { echo "no destination written"; exit 1; }
written=$(python3 -c '
import struct, sys
head = open(sys.argv[1], "rb").read(10)
assert head[:3] == b"GIF", head
print("%dx%d" % struct.unpack("<HH", head[6:10]))' "$destination")
echo "written: $written"
[ "$echoed" = "640x160" ] && [ "$written" = "640x160" ]
