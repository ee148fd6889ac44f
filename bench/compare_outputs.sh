#!/bin/bash
# Converts every picture below the test data folder to each output type at
# 640x480 and 160x120 with two builds of Quorvel.so and compares the written
# files byte for byte, and the status codes of the files both refuse.
#
#   bench/compare_outputs.sh OLD/Quorvel.so NEW/Quorvel.so [TESTDATA] [CONVERT_BENCH]
#
# Prints one line per difference and the counts; exits 1 on any difference.
set -eu
export old=$1 new=$2
export data=${3:-/work/shared/testdata}
export bench=${4:-$(dirname "$0")/../build/dev/bin/convert_bench}
export work=$(mktemp -d /tmp/compare_outputs.XXXXXX)
trap 'rm -rf "$work"' EXIT

# One conversion, "tag|type|width|height|file". Each file gets its own
# folder, since outputs are named after the source's stem.
convert_one() {
  IFS='|' read -r tag type width height file <<< "$1"
  local out="$work/$tag/$type-${width}x$height/${file//\//_}"
  mkdir -p "$out"
  "$bench" --library "${!tag}" --out "$out" --type "$type" --width "$width" \
    --height "$height" --repeat 1 "$data/$file" 2>&1 |
    sed -n 's/.*FAILED status \([0-9]*\).*/\1/p' > "$out.status" || true
}
export -f convert_one

mapfile -t files < <(cd "$data" && find . -type f ! -name '*.md' ! -name '*.tsv' | sed 's|^\./||' | sort)
types=(JPG PNG GIF BMP)
sizes=("640|480" "160|120")
for tag in old new; do
  for type in "${types[@]}"; do
    for size in "${sizes[@]}"; do
      for file in "${files[@]}"; do echo "$tag|$type|$size|$file"; done
    done
  done
done | xargs -d '\n' -n 1 -P 2 bash -c 'convert_one "$1"' _  # the cores are shared

same=0 differ=0 refused=0
for type in "${types[@]}"; do
  for size in 640x480 160x120; do
    for file in "${files[@]}"; do
      a="$work/old/$type-$size/${file//\//_}" b="$work/new/$type-$size/${file//\//_}"
      if ! cmp -s "$a.status" "$b.status"; then
        echo "status differs: $type $size $file: $(cat "$a.status") / $(cat "$b.status")"
        differ=$((differ + 1))
      elif [ -s "$a.status" ]; then
        refused=$((refused + 1))
      elif diff -r "$a" "$b" > /dev/null; then
        same=$((same + 1))
      else
        echo "output differs: $type $size $file"
        differ=$((differ + 1))
      fi
    done
  done
done
echo "files: ${#files[@]}; identical outputs: $same, refused alike: $refused, differences: $differ"
[ "$differ" -eq 0 ]
