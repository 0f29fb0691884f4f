#!/usr/bin/env bash
# Runs two builds of tabrova-dxf on the same workbooks with every combination of the four drawing
# options and the cell-line switch, for the saved selection and for A1:AD60, and reports any
# difference in the DXF, the --dump-table JSON, the PNG and SVG pictures, the messages or the exit
# status. For a change that must leave every output as it was.
#   bench/compare_drawings.sh OLD_TABROVA_DXF NEW_TABROVA_DXF [WORKBOOK...]
# Without workbooks: the sample, six workbooks of the shared .xlsx corpus and three of the XML
# Spreadsheet corpus (read in place).
set -uo pipefail
old=$1 new=$2
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
books=("$@")
if [ ${#books[@]} -eq 0 ]; then
  books=("$root/samples/parts-list.xlsx")
  mapfile -t -O 1 books < <(ls "$root"/../shared/xlsx-corpus/*.xlsx 2>/dev/null | head -6;
                            ls "$root"/../shared/spreadsheetml-corpus/*.xml 2>/dev/null | head -3)
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=0 differing=0
for book in "${books[@]}"; do
  for mask in $(seq 0 31); do
    printf '[Varnekto]\ncellLineDraw=%d\n[Options]\nborderStyles=%d\nverticalAlign=%d\nwrapText=%d\nfitText=%d\n' \
      $((mask & 1)) $(((mask >> 1) & 1)) $(((mask >> 2) & 1)) $(((mask >> 3) & 1)) $(((mask >> 4) & 1)) \
      > "$work/settings.ini"
    for range in "" A1:AD60; do
      for side in old new; do
        tool=${!side} out=$work/$side
        rm -rf "$out" && mkdir -p "$out"
        args=(-q --settings "$work/settings.ini" ${range:+--range "$range"})
        "$tool" "${args[@]}" -o "$out/t.dxf" --dump-table "$out/t.json" --preview "$out/t.png" "$book" \
          > "$out/stdout" 2> "$out/stderr"
        echo $? > "$out/status"
        "$tool" "${args[@]}" -o "$out/u.dxf" --preview "$out/t.svg" "$book" > /dev/null 2>&1
      done
      runs=$((runs + 1))
      if ! diff -r "$work/old" "$work/new" > /dev/null; then
        differing=$((differing + 1))
        echo "differs: $book options=$mask range=${range:-saved}"
        diff -rq "$work/old" "$work/new" | head -3
      fi
    done
  done
done
echo "$runs runs, $differing differing"
[ "$differing" -eq 0 ]
