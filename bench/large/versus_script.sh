#!/usr/bin/env bash
# tabrova-dxf beside a plain openpyxl + ezdxf script (peer_script.py) on the same generated
# workbook, in one run: the time of each and the ratio.
#   bench/large/versus_script.sh TABROVA_DXF [ROWS [COLS]]
set -euo pipefail
tool=$1
rows=${2:-1000}
cols=${3:-100}
here=$(cd "$(dirname "$0")" && pwd)
work=${TMPDIR:-/tmp}/tabrova-large
mkdir -p "$work"
gen=$work/make_large_workbook
if [ ! -x "$gen" ] || [ "$here/make_large_workbook.cpp" -nt "$gen" ]; then
  g++ -O2 -std=c++20 -o "$gen" "$here/make_large_workbook.cpp" $(pkg-config --cflags --libs xlsxwriter)
fi
book=$work/large-${rows}x${cols}.xlsx
[ -f "$book" ] || "$gen" "$book" "$rows" "$cols" all
seconds() { /usr/bin/python3 -c 'import subprocess, sys, time; t = time.perf_counter(); subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, check=True); print(time.perf_counter() - t)' "$@"; }
best() {  # the best of three runs
  local b="" t
  for _ in 1 2 3; do
    t=$(seconds "$@")
    if [ -z "$b" ] || /usr/bin/python3 -c 'import sys; sys.exit(not float(sys.argv[1]) < float(sys.argv[2]))' "$t" "$b"; then b=$t; fi
  done
  echo "$b"
}
tabrova=$(best "$tool" -q -o "$work/versus-tabrova.dxf" "$book")
script=$(seconds /usr/bin/python3 "$here/peer_script.py" "$book" "$work/versus-script.dxf")
printf 'workbook %s (%s x %s)\ntabrova-dxf: %.3f s (best of 3)\nopenpyxl + ezdxf script: %.2f s\nratio: %.0fx\n' \
  "$book" "$rows" "$cols" "$tabrova" "$script" "$(/usr/bin/python3 -c 'import sys; print(float(sys.argv[1]) / float(sys.argv[2]))' "$script" "$tabrova")"
