#!/usr/bin/env bash
# The command-line tool on a large workbook: peak memory and time of one run.
#   bench/large/run.sh TABROVA_DXF [ROWS [COLS]]
# The workbook is generated into a temporary folder (never committed) with libxlsxwriter.
set -euo pipefail
tool=$1
rows=${2:-1000}
cols=${3:-1000}
here=$(cd "$(dirname "$0")" && pwd)
work=${TMPDIR:-/tmp}/tabrova-large
mkdir -p "$work"
gen=$work/make_large_workbook
if [ ! -x "$gen" ] || [ "$here/make_large_workbook.cpp" -nt "$gen" ]; then
  g++ -O2 -std=c++20 -o "$gen" "$here/make_large_workbook.cpp" $(pkg-config --cflags --libs xlsxwriter)
fi
book=$work/large-${rows}x${cols}.xlsx
[ -f "$book" ] || "$gen" "$book" "$rows" "$cols"
ls -l "$book"
/usr/bin/time -v "$tool" -q -o "$work/large-${rows}x${cols}.dxf" "$book" 2> "$work/time-${rows}x${cols}.txt" || {
  cat "$work/time-${rows}x${cols}.txt" >&2
  exit 1
}
grep -E "Elapsed|Maximum resident|Exit status" "$work/time-${rows}x${cols}.txt"
ls -l "$work/large-${rows}x${cols}.dxf"
