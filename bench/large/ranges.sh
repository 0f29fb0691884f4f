#!/usr/bin/env bash
# Small ranges of a large sheet: wall time and peak memory of whole tabrova-dxf runs, beside
# openpyxl's read-only mode reading the same cells, measured in the same run.
#   bench/large/ranges.sh TABROVA_DXF [ROWS [COLS]]
# Two workbooks (50,000 x 30 by default, saved selection E30001:L30030), one with its texts in
# the shared-string table as the spreadsheet application writes them, one with inline strings,
# are generated into a temporary folder (never committed) with libxlsxwriter. Each figure is the
# shortest wall time and the largest peak of REPEAT runs (default 3). openpyxl is Debian's
# python3-openpyxl.
set -euo pipefail
tool=$1
rows=${2:-50000}
cols=${3:-30}
selection=E30001:L30030
here=$(cd "$(dirname "$0")" && pwd)
work=${TMPDIR:-/tmp}/tabrova-large
mkdir -p "$work"
gen=$work/make_large_workbook
if [ ! -x "$gen" ] || [ "$here/make_large_workbook.cpp" -nt "$gen" ]; then
  g++ -O2 -std=c++20 -o "$gen" "$here/make_large_workbook.cpp" $(pkg-config --cflags --libs xlsxwriter)
fi
repeat=${REPEAT:-3}

measure() {  # measure LABEL COMMAND... — prints LABEL, wall seconds and peak RSS in MB
  local label=$1 out=$work/time.txt
  shift
  : > "$out.all"
  for _ in $(seq "$repeat"); do
    /usr/bin/time -v "$@" > /dev/null 2> "$out" || { cat "$out" >&2; exit 1; }
    cat "$out" >> "$out.all"
  done
  awk -v label="$label" '
    /Elapsed \(wall clock\)/ { n = split($NF, t, ":"); s = 0; for (i = 1; i <= n; ++i) s = s * 60 + t[i]
                               if (best == "" || s < best) best = s }
    /Maximum resident/ { if ($NF > kb) kb = $NF }
    END { printf "  %-22s %6.2f s %6.0f MB\n", label, best, kb / 1024 }' "$out.all"
}

# Reads the values of a range's cells in read-only mode.
cat > "$work/openpyxl_read.py" <<'PY'
import sys
from openpyxl import load_workbook
from openpyxl.utils.cell import range_boundaries
book, ref = sys.argv[1:]
min_col, min_row, max_col, max_row = range_boundaries(ref)
wb = load_workbook(book, read_only=True)
n = 0
for row in wb.active.iter_rows(min_row=min_row, max_row=max_row, min_col=min_col,
                               max_col=max_col, values_only=True):
    n += len(row)
print(n)
PY

for texts in shared inline; do
  book=$work/ranges-${rows}x${cols}-$texts.xlsx
  [ -f "$book" ] && [ "$book" -nt "$gen" ] || "$gen" "$book" "$rows" "$cols" "$selection" "$texts"
  ls -l "$book"
  for range in A1:H20 B25001:K25040 A49990:AD50000 A1:AD200 selection; do
    echo "$range"
    args=()
    [ "$range" = selection ] || args=(--range "$range")
    measure tabrova-dxf "$tool" -q -o "$work/ranges.dxf" "${args[@]}" "$book"
    [ "$range" = selection ] && range=$selection
    measure "openpyxl read-only" /usr/bin/python3 "$work/openpyxl_read.py" "$book" "$range"
  done
done
