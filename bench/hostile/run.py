#!/usr/bin/env python3
"""The command-line tool on the worst hostile input of each class: peak memory and time.

    bench/hostile/run.py TABROVA_DXF [CLASS...]

The clip-* classes put an XML Spreadsheet or OpenDocument class's input on the X clipboard (with
xclip, as Excel's "XML Spreadsheet" or as LibreOffice's copy) and run `--clipboard`; they need
DISPLAY (xvfb-run) and are skipped without it.

Each input (up to about 10 MB) is generated into a temporary folder, never committed; the tool
runs under /usr/bin/time -v and the table gives its exit status, peak resident memory, time and
the first line it printed on stderr. Without CLASS every class runs; --list names them.
"""
import io
import os
import pathlib
import random
import subprocess
import sys
import tempfile
import zipfile

MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
RELS = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG = "http://schemas.openxmlformats.org/package/2006/relationships"
MB = 1 << 20


def xlsx(path, sheet, shared=None):
    """A workbook of one sheet whose part is `sheet` (bytes, the sheetData and around)."""
    z = zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED)
    z.writestr("[Content_Types].xml", '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>')
    z.writestr("_rels/.rels", f'<?xml version="1.0"?><Relationships xmlns="{PKG}"><Relationship Id="rId1" Type="{RELS}/officeDocument" Target="xl/workbook.xml"/></Relationships>')
    rels = f'<Relationship Id="rId1" Type="{RELS}/worksheet" Target="worksheets/sheet1.xml"/>'
    if shared is not None:
        rels += f'<Relationship Id="rId2" Type="{RELS}/sharedStrings" Target="sharedStrings.xml"/>'
    z.writestr("xl/_rels/workbook.xml.rels", f'<?xml version="1.0"?><Relationships xmlns="{PKG}">{rels}</Relationships>')
    z.writestr("xl/workbook.xml", f'<?xml version="1.0"?><workbook xmlns="{MAIN}" xmlns:r="{RELS}"><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>')
    z.writestr("xl/worksheets/sheet1.xml", b'<?xml version="1.0"?><worksheet xmlns="' + MAIN.encode() + b'">' + sheet + b"</worksheet>")
    if shared is not None:
        z.writestr("xl/sharedStrings.xml", b'<?xml version="1.0"?><sst xmlns="' + MAIN.encode() + b'">' + shared + b"</sst>")
    z.close()


def nest(levels, seed=1):
    """Elements nested `levels` deep with varying names, so that they compress as ordinary XML."""
    rnd = random.Random(seed)
    names = [("n" + "".join(rnd.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rnd.randint(2, 5)))).encode() for _ in range(4096)]
    order = [names[rnd.randrange(4096)] for _ in range(levels)]
    return b"".join(b"<" + n + b">" for n in order) + b"".join(b"</" + n + b">" for n in reversed(order))


def cells(rows, cols, cell):
    out = io.BytesIO()
    out.write(b"<sheetData>")
    for r in range(1, rows + 1):
        out.write(b'<row r="%d">' % r)
        for c in range(1, cols + 1):
            out.write(cell(r, c))
        out.write(b"</row>")
    out.write(b"</sheetData>")
    return out.getvalue()


def ref(r, c):
    name = ""
    while c:
        c, m = divmod(c - 1, 26)
        name = chr(65 + m) + name
    return f"{name}{r}".encode()


SEL = b'<sheetViews><sheetView workbookViewId="0"><selection sqref="A1:CV100"/></sheetView></sheetViews>'


def x_depth_sheet(p):
    xlsx(p, SEL + b'<sheetData><row r="1"><c r="A1"><v>1</v></c></row></sheetData>' + nest(1_000_000))


def x_depth_in_row(p):
    xlsx(p, SEL + b'<sheetData><row r="1"><c r="A1"><v>1' + nest(1_000_000) + b"</v></c></row></sheetData>")


def x_depth_strings(p):
    xlsx(p, SEL + cells(1, 1, lambda r, c: b'<c r="A1" t="s"><v>0</v></c>'), b"<si><t>a</t>" + nest(1_000_000) + b"</si>")


def x_long_shared(p):
    # Random letters, so that the part compresses as ordinary text does.
    letters = bytes(b"abcdefghijklmnopqrstuvwxyz "[i % 27] for i in range(256))
    text = random.Random(2).randbytes(10 * MB).translate(letters)
    xlsx(p, SEL + cells(100, 100, lambda r, c: b'<c r="' + ref(r, c) + b'" t="s"><v>0</v></c>'), b"<si><t>" + text + b"</t></si>")


def x_run_size(p):
    xlsx(p, SEL + cells(1, 1, lambda r, c: b'<c r="A1" t="s"><v>0</v></c>'),
         b'<si><r><rPr><sz val="1e-300"/></rPr><t>tiny</t></r></si>')


# ---- XML Spreadsheet 2003 ----
SS = b'<?xml version="1.0"?><Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet" xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet">'


def ss(body, styles=b""):
    return SS + b"<Styles>" + styles + b"</Styles>" + b'<Worksheet ss:Name="S"><Table>' + body + b"</Table></Worksheet></Workbook>"


def write(data):
    return lambda p: p.write_bytes(data() if callable(data) else data)


def ss_depth(p):
    p.write_bytes(ss(b"<Row><Cell><Data ss:Type=\"String\">" + nest(1_000_000) + b"</Data></Cell></Row>"))


def ss_entities(p):
    decl = b'<!DOCTYPE W [<!ENTITY a "' + b"x" * 1000 + b'">' + b"".join(b'<!ENTITY %c "%s">' % (98 + i, (b"&%c;" % (97 + i)) * 10) for i in range(9)) + b"]>"
    p.write_bytes(SS.replace(b"?>", b"?>" + decl, 1) + b'<Worksheet ss:Name="S"><Table><Row><Cell><Data ss:Type="String">&j;</Data></Cell></Row></Table></Worksheet></Workbook>')


def ss_attribute(p):
    p.write_bytes(ss(b'<Row><Cell ss:StyleID="' + b"s" * (10 * MB) + b'"/></Row>'))


def ss_text(p):
    p.write_bytes(ss(b'<Row><Cell><Data ss:Type="String">' + b"long text " * MB + b"</Data></Cell></Row>"))


def ss_many_texts(p):
    cell = b'<Cell><Data ss:Type="String">' + b"t" * 1000 + b"</Data></Cell>"
    p.write_bytes(ss(b"".join(b"<Row>" + cell * 100 + b"</Row>" for _ in range(100))))


def ss_spans(p):
    p.write_bytes(ss(b'<Column ss:Span="1000000000"/>' + b'<Row ss:Index="1048576"><Cell ss:Index="16384" ss:MergeAcross="5" ss:MergeDown="1000000000"/></Row>'))


def ss_index_far(p):
    p.write_bytes(ss(b'<Row><Cell ss:Index="4294967297"><Data ss:Type="Number">1</Data></Cell></Row>'))


def ss_many_merges(p):
    p.write_bytes(ss(b"".join(b'<Row><Cell ss:MergeAcross="16000" ss:MergeDown="1000000"/></Row>' for _ in range(100_000))))


def ss_cycle(p):
    p.write_bytes(ss(b'<Row><Cell ss:StyleID="a"/></Row>',
                     b"".join(b'<Style ss:ID="s%d" ss:Parent="s%d"/>' % (i, i + 1) for i in range(200_000)) + b'<Style ss:ID="s200000" ss:Parent="s0"/><Style ss:ID="a" ss:Parent="s0"/>'))


def ss_infinite(p):
    p.write_bytes(ss(b'<Column ss:Width="1e999"/><Row ss:Height="NaN"><Cell><Data ss:Type="Number">1e999</Data></Cell></Row>'))


def ss_lying_encoding(p):
    p.write_bytes(ss(b'<Row><Cell><Data ss:Type="String">\xff\xfe\x81\x40' * 1000 + b"</Data></Cell></Row>").replace(b'version="1.0"?>', b'version="1.0" encoding="UTF-16"?>', 1))


# ---- OpenDocument ----
FODS = b'''<?xml version="1.0" encoding="UTF-8"?><office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">'''

COPIED_AREA = b'<office:settings xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0"><config:config-item-set config:name="ooo:view-settings">' + b"".join(
    b'<config:config-item config:name="%s" config:type="int">%d</config:config-item>' % (k, v)
    for k, v in ((b"VisibleAreaTop", 0), (b"VisibleAreaLeft", 0), (b"VisibleAreaWidth", 22580), (b"VisibleAreaHeight", 9040))
) + b'<config:config-item-map-indexed config:name="Views"><config:config-item-map-entry><config:config-item config:name="ActiveTable" config:type="string">S</config:config-item></config:config-item-map-entry></config:config-item-map-indexed></config:config-item-set></office:settings>'


def fods(rows, styles=b""):
    return FODS + b"<office:styles>" + styles + b'</office:styles><office:body><office:spreadsheet><table:table table:name="S">' + rows + b"</table:table></office:spreadsheet></office:body></office:document>"


def od_depth(p):
    p.write_bytes(fods(b"<table:table-row><table:table-cell><text:p>" + nest(1_000_000) + b"</text:p></table:table-cell></table:table-row>"))


def od_repeats(p):
    cell = b'<table:table-cell table:number-columns-repeated="16384" office:value-type="string"><text:p>x</text:p></table:table-cell>'
    p.write_bytes(fods(b'<table:table-column table:number-columns-repeated="1000000000"/>' + b'<table:table-row table:number-rows-repeated="1000000000">' + cell + b"</table:table-row>"))


def od_spans(p):
    p.write_bytes(fods(b'<table:table-row><table:table-cell table:number-columns-spanned="16384" table:number-rows-spanned="1048576"/>' + b"<table:covered-table-cell/>" * 100_000 + b"</table:table-row>"))


def od_text(p):
    p.write_bytes(fods(b'<table:table-row><table:table-cell office:value-type="string"><text:p>' + b"long text " * MB + b"</text:p></table:table-cell></table:table-row>"))


def od_many_texts(p):
    cell = b'<table:table-cell office:value-type="string"><text:p>' + b"t" * 1000 + b"</text:p></table:table-cell>"
    p.write_bytes(fods(b"".join(b"<table:table-row>" + cell * 100 + b"</table:table-row>" for _ in range(100))))


def od_attribute(p):
    p.write_bytes(fods(b'<table:table-row><table:table-cell table:style-name="' + b"s" * (10 * MB) + b'"/></table:table-row>'))


def od_entities(p):
    decl = b'<!DOCTYPE d [<!ENTITY a "' + b"x" * 1000 + b'">' + b"".join(b'<!ENTITY %c "%s">' % (98 + i, (b"&%c;" % (97 + i)) * 10) for i in range(9)) + b"]>"
    p.write_bytes(fods(b"<table:table-row><table:table-cell><text:p>&j;</text:p></table:table-cell></table:table-row>").replace(b"?>", b"?>" + decl, 1))


def od_cycle(p):
    styles = b"".join(b'<style:style style:name="s%d" style:family="table-cell" style:parent-style-name="s%d"/>' % (i, i + 1) for i in range(100_000))
    p.write_bytes(fods(b'<table:table-row><table:table-cell table:style-name="s0"/></table:table-row>', styles + b'<style:style style:name="s100000" style:family="table-cell" style:parent-style-name="s0"/>'))


def od_infinite(p):
    p.write_bytes(fods(b'<table:table-row><table:table-cell office:value-type="float" office:value="NaN"/></table:table-row>'))


def od_bomb(p):
    with zipfile.ZipFile(p, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet")
        content = fods(b"<table:table-row><table:table-cell/></table:table-row>").replace(b"office:document ", b"office:document-content ", 1)
        content = content.replace(b"</office:document>", b" " * (1000 * MB) + b"</office:document-content>")
        z.writestr("content.xml", content)


def od_lying_size(p):
    with zipfile.ZipFile(p, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet")
        content = fods(b"<table:table-row><table:table-cell/></table:table-row>" * 1000).replace(b"office:document ", b"office:document-content ", 1).replace(b"</office:document>", b"</office:document-content>")
        z.writestr("content.xml", content)
    data = bytearray(p.read_bytes())
    # The central directory's and the local header's uncompressed size of content.xml: 100 bytes.
    for sig, off in ((b"PK\x01\x02", 24), (b"PK\x03\x04", 22)):
        at = data.find(sig, data.find(b"content.xml") - 60 if sig == b"PK\x03\x04" else 0)
        while at >= 0:
            name_at = at + (46 if sig == b"PK\x01\x02" else 30)
            if data[name_at:name_at + 11] == b"content.xml":
                data[at + off:at + off + 4] = (100).to_bytes(4, "little")
            at = data.find(sig, at + 4)
    p.write_bytes(bytes(data))


CLASSES = {
    "xlsx-depth-sheet": ("xlsx", x_depth_sheet),
    "xlsx-depth-in-row": ("xlsx", x_depth_in_row),
    "xlsx-depth-strings": ("xlsx", x_depth_strings),
    "xlsx-long-shared-string": ("xlsx", x_long_shared),
    "xlsx-run-size": ("xlsx", x_run_size),
    "xml-depth": ("xml", ss_depth),
    "xml-entities": ("xml", ss_entities),
    "xml-huge-attribute": ("xml", ss_attribute),
    "xml-huge-text": ("xml", ss_text),
    "xml-many-texts": ("xml", ss_many_texts),
    "xml-spans": ("xml", ss_spans),
    "xml-index-far": ("xml", ss_index_far),
    "xml-many-merges": ("xml", ss_many_merges),
    "xml-style-chain": ("xml", ss_cycle),
    "xml-not-finite": ("xml", ss_infinite),
    "xml-lying-encoding": ("xml", ss_lying_encoding),
    "ods-depth": ("fods", od_depth),
    "ods-repeats": ("fods", od_repeats),
    "ods-spans": ("fods", od_spans),
    "ods-huge-text": ("fods", od_text),
    "ods-many-texts": ("fods", od_many_texts),
    "ods-huge-attribute": ("fods", od_attribute),
    "ods-entities": ("fods", od_entities),
    "ods-style-chain": ("fods", od_cycle),
    "ods-not-finite": ("fods", od_infinite),
    "ods-bomb": ("ods", od_bomb),
    "ods-lying-size": ("ods", od_lying_size),
}

# What the clipboard classes offer their input as.
CLIPBOARD_TARGETS = {
    "xml": "XML Spreadsheet",
    "fods": 'application/x-openoffice-embed-source-xml;windows_formatname="Star Embed Source (XML)"',
    "ods": 'application/x-openoffice-embed-source-xml;windows_formatname="Star Embed Source (XML)"',
}
for _name, (_ext, _make) in list(CLASSES.items()):
    if _ext in CLIPBOARD_TARGETS:
        CLASSES["clip-" + _name] = ("clip-" + _ext, _make)


def main():
    if len(sys.argv) >= 2 and sys.argv[1] == "--list":
        print("\n".join(CLASSES))
        return 0
    if len(sys.argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    tool, wanted = sys.argv[1], sys.argv[2:] or list(CLASSES)
    work = pathlib.Path(os.environ.get("TMPDIR", "/tmp")) / "tabrova-hostile"
    work.mkdir(exist_ok=True)
    print(f"{'class':26} {'MB in':>6} {'exit':>4} {'peak MB':>8} {'s':>6}  first line")
    for name in wanted:
        ext, make = CLASSES[name]
        clip = ext.startswith("clip-")
        if clip:
            ext = ext[5:]
            if not os.environ.get("DISPLAY"):
                print(f"{name:26} skipped: no DISPLAY")
                continue
        book = work / f"{name.removeprefix('clip-')}.{ext}"
        if not book.exists():
            make(book)
        out = work / f"{name}.dxf"
        out.unlink(missing_ok=True)
        source = [str(book)]
        if clip and ext == "fods":
            # LibreOffice's copy tells the copied cells by its visible area: A1:J20 here.
            copy = work / f"{name}.fods"
            if not copy.exists():
                copy.write_bytes(book.read_bytes().replace(b'spreadsheet">', b'spreadsheet">' + COPIED_AREA, 1))
            book = copy
        if clip:
            # xclip serves the clipboard from the background until the next owner takes it.
            subprocess.run(["xclip", "-selection", "clipboard", "-t", CLIPBOARD_TARGETS[ext], "-i", str(book)], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            source = ["--clipboard"]
        with tempfile.TemporaryFile("w+") as err:
            status = subprocess.call(["/usr/bin/time", "-v", tool, "-q", "-o", str(out)] + source,
                                     stdout=subprocess.DEVNULL, stderr=err)
            err.seek(0)
            lines = err.read().splitlines()
        stats = {l.split(":")[0].strip(): l.rsplit(":", 1)[1].strip() for l in lines if l.startswith("\t")}
        said = [l for l in lines if not l.startswith("\t") and not l.startswith("Command")]
        peak = int(stats.get("Maximum resident set size (kbytes)", "0")) / 1024
        wall = lines and next((l for l in lines if "Elapsed (wall" in l), "")
        secs = wall.rsplit(" ", 1)[1] if wall else "?"
        written = "written" if out.exists() else ""
        print(f"{name:26} {book.stat().st_size / MB:6.1f} {status:4} {peak:8.0f} {secs:>6}  {(said[0] if said else written)[:150]}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
