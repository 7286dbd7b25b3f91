#!/usr/bin/env python3
# Makes encoding-corpus.json: delimited text files of many encodings, each with the cells LibreOffice
# reads from it when told the file's true encoding (its text import, ';' between cells, '"' around
# them). The grid's test loads every file with ';' as the delimiter and guesses the encoding
# itself; it must read what LibreOffice reads. Needs LibreOffice Calc (Debian's libreoffice-calc);
# the tests need only the JSON it writes. Usage: make-encoding-corpus.py [output.json]
import base64
import json
import os
import random
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

rng = random.Random(66)

WORDS = ("ramal portaria almoxarifado central tronco grupo chefe secretária noturno feriado senha "
         "ação não são joão conceição índice código câmbio pêssego avô maçã coração função "
         "operação número atenção órgão".split())
EXTRA_1252 = "€ “aspas” – traço… ‘x’ œuvre Œ ™ • š Ÿ".split()
CJK = "東京都庁舎千円名前価格中文字大学学生先生電話番号内線会議室上海北京漢字評論試験説明".replace(" ", "")
KANA = "こんにちはカタカナひらがな"
HANGUL = "서울전화번호회의실한국어"
CYRILLIC = "Привет мир телефон номер станция".split()
GREEK = "Καλημέρα κόσμε τηλέφωνο αριθμός".split()


def words(n, pool=WORDS):
    return [rng.choice(pool) for _ in range(n)]


def lines_of(rows, end):
    return end.join(";".join(r) for r in rows) + end


def latin_rows(nrows, ncols, extra=False):
    pool = WORDS + (EXTRA_1252 if extra else [])
    return [words(ncols, pool) for _ in range(nrows)]


def cjk_text(n, alphabet=CJK):
    return "".join(rng.choice(alphabet) for _ in range(n))


cases = []  # (name, bytes, true encoding)


def add(name, data, encoding):
    cases.append((name, data, encoding))


ENDS = {"CRLF": "\r\n", "LF": "\n", "CR": "\r"}

# ---- 8-bit files holding NUL bytes -------------------------------------------------------------
add("issue sample", b"ab\0;c\r\nd;e\r\n", "cp1252")
for end_name, end in ENDS.items():
    for encoding in ("latin-1", "cp1252"):
        for place in ("line start", "mid line", "own line", "line end"):
            for align in (0, 1):
                rows = latin_rows(9, 3, encoding == "cp1252")
                stretch = "".join(rng.choice("abcdefghijklmnopqrstuvwxyz") + "\0" for _ in range(40))
                if align:
                    stretch = "\0" + stretch
                r = rng.randrange(1, len(rows))
                if place == "line start":
                    rows[r][0] = stretch + rows[r][0]
                elif place == "mid line":
                    rows[r][1] = rows[r][1][:2] + stretch + rows[r][1][2:]
                elif place == "own line":
                    rows.insert(r, [stretch])
                else:
                    rows[r][-1] = rows[r][-1] + stretch
                text = lines_of(rows, end)
                add(f"8-bit {encoding}, 40 letters each followed by NUL at {place}, offset {align}, {end_name}",
                    text.encode(encoding), encoding)
for base in ("ab;c\r\n", "ab;cd\r\n", "abc;de\n", "ab;cd\r", "abcd;ef", "é;xy\r\n", "a;€b\n"):
    raw = base.encode("cp1252")
    for at in range(len(raw) + 1):
        add(f"8-bit {len(raw) + 1} bytes, one NUL at {at}: {base!r}", raw[:at] + b"\0" + raw[at:], "cp1252")
for i in range(12):
    rows = latin_rows(rng.randrange(1, 8), rng.randrange(1, 5), True)
    raw = bytearray(lines_of(rows, rng.choice(list(ENDS.values()))).encode("cp1252"))
    for _ in range(rng.randrange(1, 6)):
        raw.insert(rng.randrange(len(raw) + 1), 0)
    add(f"8-bit cp1252, NULs strewn {i}", bytes(raw), "cp1252")

# ---- UTF-16 without a byte-order mark -------------------------------------------------------------
for order in ("le", "be"):
    codec = f"utf-16-{order}"
    for end_name, end in ENDS.items():
        for extra in (False, True):
            text = lines_of(latin_rows(rng.randrange(2, 9), 3, extra), end)
            add(f"UTF-16 {order}, Latin{' with €' if extra else ''}, {end_name}", text.encode(codec), codec)
        text = lines_of([[cjk_text(5), cjk_text(2)], [cjk_text(3), cjk_text(4)]], end)
        add(f"UTF-16 {order}, CJK, {end_name}", text.encode(codec), codec)
        text = lines_of([[cjk_text(30), cjk_text(18)], [cjk_text(24), cjk_text(24)]], end)
        add(f"UTF-16 {order}, CJK long lines, {end_name}", text.encode(codec), codec)
        text = lines_of([[cjk_text(4, KANA + CJK), cjk_text(3, KANA)], [cjk_text(6, HANGUL), "OK"]], end)
        add(f"UTF-16 {order}, kana and Hangul, {end_name}", text.encode(codec), codec)
        add(f"UTF-16 {order}, one Latin line, {end_name}", ("nome;valor;€ " + end).encode(codec), codec)
        add(f"UTF-16 {order}, one CJK line, {end_name}", (cjk_text(6) + ";" + cjk_text(3) + end).encode(codec), codec)
        add(f"UTF-16 {order}, Cyrillic and Greek, {end_name}",
            lines_of([words(2, CYRILLIC), words(2, GREEK)], end).encode(codec), codec)
    add(f"UTF-16 {order}, one Latin line without a line end", "nome;valor;ação".encode(codec), codec)
    add(f"UTF-16 {order}, one Cyrillic line without a line end", ";".join(words(3, CYRILLIC)).encode(codec), codec)
    for n in (3, 8, 20):
        add(f"UTF-16 {order}, one CJK line of {n} without a line end", cjk_text(n).encode(codec), codec)
    text = lines_of(latin_rows(90, 4, True), "\r\n")
    add(f"UTF-16 {order}, Latin beyond the first 4096 bytes", text.encode(codec), codec)


# Chinese whose UTF-16 LE bytes are valid UTF-8: each character's low byte leads a two-byte UTF-8
# sequence that its high byte continues. As the file the grid misread, the UTF-8 they make is no
# text: its letters are of several scripts, or a combining mark follows no letter. (Where they made
# letters of one script, the bytes would read as that UTF-8 text as well as they read as UTF-16.)
def utf8_valid_le_han():
    return [chr(c) for c in range(0x8000, 0xC000)
            if 0xC2 <= (c & 0xFF) <= 0xDF and 0x80 <= (c >> 8) <= 0xBF and chr(c).isprintable()
            and "\u4e00" <= chr(c) <= "\u9fff"]


SCRIPT_BLOCKS = ((0x0250, "Latin"), (0x02B0, "IPA"), (0x0370, "marks"), (0x0400, "Greek"), (0x0530, "Cyrillic"),
                 (0x0590, "Armenian"), (0x0600, "Hebrew"), (0x0700, "Arabic"), (0x0750, "Syriac"),
                 (0x0780, "Arabic"), (0x07C0, "Thaana"), (0x0800, "NKo"))


def utf8_reading_is_text(data):
    blocks = set()
    after_letter = False
    for ch in data.decode("utf-8"):
        c = ord(ch)
        if c < 0x80:
            after_letter = ch.isalpha()
            continue
        block = next(name for end, name in SCRIPT_BLOCKS if c < end)
        if block == "marks":
            if not after_letter:
                return False
            continue
        after_letter = ch.isalpha()
        if ch.isalpha():
            blocks.add("Latin" if block == "IPA" else block)
    return len(blocks) == 1


han_pool = utf8_valid_le_han()
for n in (2, 3, 5, 8):
    for end_name, end in (("no line end", ""), ("CRLF", "\r\n"), ("LF", "\n")):
        while True:
            text = "".join(rng.choice(han_pool) for _ in range(n)) + end
            data = text.encode("utf-16-le")
            if not utf8_reading_is_text(data):  # valid UTF-8 all the same
                break
        add(f"UTF-16 le, {n} Chinese characters whose bytes are UTF-8, {end_name}", data, "utf-16-le")
for end_name, end in (("CRLF", "\r\n"), ("CR", "\r")):
    text = "大学;学生" + end
    add(f"UTF-16 le, Chinese of ASCII bytes, {end_name}", text.encode("utf-16-le"), "utf-16-le")

# ---- 8-bit files without NUL bytes, UTF-8 with and without a mark ---------------------------------
for end_name, end in ENDS.items():
    for i in range(4):
        add(f"ASCII {i}, {end_name}", lines_of([[w.encode("ascii", "ignore").decode() or "x" for w in r]
                                                 for r in latin_rows(rng.randrange(1, 9), 3)], end).encode(), "utf-8")
        rows = latin_rows(rng.randrange(1, 9), 3)
        add(f"Latin-1 {i}, {end_name}", lines_of(rows, end).encode("latin-1"), "latin-1")
        rows = latin_rows(rng.randrange(1, 9), 3, True)
        add(f"CP1252 {i}, {end_name}", lines_of(rows, end).encode("cp1252"), "cp1252")
        rows = latin_rows(rng.randrange(1, 9), 3, True)
        add(f"UTF-8 {i}, {end_name}", lines_of(rows, end).encode("utf-8"), "utf-8")
        add(f"UTF-8 with a mark {i}, {end_name}", b"\xef\xbb\xbf" + lines_of(rows, end).encode("utf-8"), "utf-8")
    add(f"UTF-8 CJK, {end_name}", lines_of([[cjk_text(4), cjk_text(6)], [cjk_text(2), "ok"]], end).encode(), "utf-8")
    add(f"UTF-8 Cyrillic and Greek, {end_name}", lines_of([words(3, CYRILLIC), words(2, GREEK)], end).encode(),
        "utf-8")
    add(f"UTF-8 Latin and CJK mixed, {end_name}",
        lines_of([["café", cjk_text(3)], ["ação " + cjk_text(2), "São Paulo"]], end).encode(), "utf-8")
for encoding in ("utf-8", "latin-1", "cp1252"):
    for i in range(6):
        text = ";".join(words(rng.randrange(1, 5), WORDS + (EXTRA_1252 if encoding != "latin-1" else [])))
        add(f"one {encoding} line {i} without a line end", text.encode(encoding), encoding)
        add(f"one {encoding} line {i}", (text + "\r\n").encode(encoding), encoding)
for text, encoding in (("a", "utf-8"), ("ab", "utf-8"), ("a;b", "utf-8"), (";", "utf-8"), ("é", "cp1252"),
                       ("é", "utf-8"), ("éa", "cp1252"), ("aé", "cp1252"), ("€;", "cp1252"), ("ã;", "latin-1"),
                       ("x\n", "utf-8"), ("a\r\n", "utf-8"), ("é\n", "cp1252"), ("ç\r", "latin-1"),
                       ("\n", "utf-8"), ("\r\n", "utf-8"), ("ab\n", "utf-8"), ("é;", "utf-8"), ("a\né", "cp1252")):
    add(f"{len(text.encode(encoding))}-byte {encoding} {text!r}", text.encode(encoding), encoding)
for i in range(2):
    rows = latin_rows(150, 4, True)
    add(f"CP1252 beyond the first 4096 bytes {i}", lines_of(rows, "\r\n").encode("cp1252"), "cp1252")
    add(f"UTF-8 beyond the first 4096 bytes {i}", lines_of(rows, "\n").encode("utf-8"), "utf-8")

# ---- LibreOffice's readings -----------------------------------------------------------------------
CHARSETS = {"utf-8": "76", "latin-1": "12", "cp1252": "1", "utf-16-le": "65535", "utf-16-be": "65535"}
NS_T = "{urn:oasis:names:tc:opendocument:xmlns:table:1.0}"
NS_X = "{urn:oasis:names:tc:opendocument:xmlns:text:1.0}"


def paragraph(p):
    out = p.text or ""
    for child in p:
        if child.tag == NS_X + "line-break":
            out += "\n"
        elif child.tag == NS_X + "tab":
            out += "\t"
        elif child.tag == NS_X + "s":
            out += " " * int(child.get(NS_X + "c", "1"))
        else:
            out += paragraph(child)
        out += child.tail or ""
    return out


def rows_of(fods):
    table = ET.parse(fods).getroot().find(".//" + NS_T + "table")
    rows = []
    for row in table.iter(NS_T + "table-row"):
        cells = []
        for cell in row:
            if cell.tag not in (NS_T + "table-cell", NS_T + "covered-table-cell"):
                continue
            value = "\n".join(paragraph(p) for p in cell.findall(NS_X + "p"))
            cells += [value] * min(int(cell.get(NS_T + "number-columns-repeated", "1")), 64)
        while cells and cells[-1] == "":
            cells.pop()
        rows += [cells] * min(int(row.get(NS_T + "number-rows-repeated", "1")), 4)
    while rows and not rows[-1]:
        rows.pop()
    return rows


def main():
    out_path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "encoding-corpus.json")
    with tempfile.TemporaryDirectory() as work:
        by_charset = {}
        for i, (name, data, encoding) in enumerate(cases):
            path = os.path.join(work, f"f{i:04d}.csv")
            with open(path, "wb") as f:
                # LibreOffice reads UTF-16 without a mark as little-endian: big-endian gets its mark.
                f.write((b"\xfe\xff" if encoding == "utf-16-be" else b"") + data)
            by_charset.setdefault(CHARSETS[encoding], []).append(path)
        for charset, paths in by_charset.items():
            subprocess.run(["soffice", "--headless", f"--infilter=Text - txt - csv (StarCalc):59,34,{charset},1",
                            "--convert-to", "fods", "--outdir", work] + paths, check=True, capture_output=True)
        corpus = []
        for i, (name, data, encoding) in enumerate(cases):
            corpus.append({"name": name, "encoding": encoding, "bytes": base64.b64encode(data).decode(),
                           "rows": rows_of(os.path.join(work, f"f{i:04d}.fods"))})
    with open(out_path, "w", encoding="utf-8") as f:
        json.dump(corpus, f, ensure_ascii=False, indent=0)
    print(f"{len(corpus)} files")


main()
