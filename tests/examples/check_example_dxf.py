"""Runs tabrova-example and reads its DXF file with ezdxf, as another CAD program would.

usage: check_example_dxf.py TABROVA_EXAMPLE OUTPUT.dxf
"""
import subprocess
import sys
from collections import Counter

import ezdxf

example, out = sys.argv[1], sys.argv[2]
subprocess.run([example, out], check=True)

with open(out, "rb") as f:
    raw = f.read()
assert raw.endswith(b"  0\r\nEOF\r\n"), "file does not end with EOF and CR LF"
assert b"\n" not in raw.replace(b"\r\n", b""), "a bare line feed"

doc = ezdxf.readfile(out)
assert doc.dxfversion == "AC1009", doc.dxfversion
assert doc.header.get("$DWGCODEPAGE") == "ANSI_932", doc.header.get("$DWGCODEPAGE")
auditor = doc.audit()
assert not auditor.errors, auditor.errors

msp = doc.modelspace()
kinds = Counter((e.dxftype(), e.dxf.layer) for e in msp)
assert kinds[("POLYLINE", "XLSCellLine")] == 2, kinds
assert kinds[("LINE", "XLSCellLine")] > 0 and kinds[("LINE", "XLSBordLine")] > 0, kinds

texts = {e.dxf.text: e for e in msp.query("TEXT")}
for expected in ["配管材料一覧表（第２工区）", "呼び径", "(A)", "エルボ 90°", "※数量は概算"]:
    assert expected in texts, f"{expected!r} missing from {sorted(texts)}"
title = texts["配管材料一覧表（第２工区）"]
assert (title.dxf.halign, title.dxf.valign) == (1, 2)
assert texts["24"].dxf.halign == 2 and texts["鋼管 SGP 白"].dxf.halign == 0
print(f"{out}: {sum(kinds.values())} entities, texts intact")
