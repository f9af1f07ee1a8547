#!/usr/bin/env python3
"""Generates src/encoding/uni2sj_tables.cpp and tests/data/encoding/cp932-decode.bin.

Both come from code page 932 as Python's cp932 decoder defines it (Microsoft's
table). Python's encoder is never used: it adds best-fit mappings (U+00A2,
U+00A3, U+00AC, U+2016, U+2212, U+301C, U+0080) that the tables must not hold.
Six of them (not U+0080) are mapped for UTF-8 text beside the tables, by
JISVariantToSJIS in src/encoding/uni2sj.cpp.

The Unicode-to-Shift_JIS direction is the inverse of decoding:
  - U+0000-U+007F map to the same byte;
  - U+FF61-U+FF9F map to 0xA1-0xDF, U+F8F0-U+F8F3 to 0xA0, 0xFD, 0xFE, 0xFF;
  - every other character a double-byte code decodes to maps to that code; when
    several codes decode to one character, the JIS X 0208 code wins, then the
    NEC row 13 code (0x8740-0x879C), then the NEC-selected IBM extension
    (0xED40-0xEEFC), and the IBM extension (0xFA40-0xFC4B) only when there is
    nothing else;
  - nothing else maps (U+0080 in particular, although 0x80 decodes to it).

Storage: one table per Unicode page holding mapped characters, a first low
byte F followed by the run of codes for F, F + 1, ... (0 = no mapping), and a
dispatch on the page.

The double-byte decode table (lead 0x81-0x9F, 0xE0-0xFC by trail 0x40-0xFC)
is emitted too, for the code page 932 decoder at the widget boundary.

The test data file holds Python's own decoding, with errors='replace', of every
single byte and of every two-byte text that starts with a lead byte: records
of a count byte followed by that many UTF-16 code units, little-endian.

Usage: tools/gen-uni2sj.py [REPO_ROOT]   (default: the folder above tools/)
"""

import os
import struct
import sys

EXPECTED_CHARS = 9273      # characters beyond ASCII with a code
EXPECTED_PAGES = 107       # page tables
EXPECTED_ENTRIES = 23835   # run entries over all page tables
EXPECTED_PAIRS = 9604      # double-byte codes that decode

LEADS = list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD))
TRAIL_FIRST, TRAIL_LAST = 0x40, 0xFC
TRAILS = TRAIL_LAST - TRAIL_FIRST + 1

NO_CODE = [0x0080, 0x00A2, 0x00A3, 0x00A5, 0x00AC, 0x2016, 0x2212, 0x301C]


def fail(msg):
    print("gen-uni2sj: " + msg, file=sys.stderr)
    sys.exit(1)


def decode_strict(data):
    try:
        return data.decode("cp932")
    except UnicodeDecodeError:
        return None


def rank(code):
    """Preference among double-byte codes that decode to the same character."""
    lead = code >> 8
    if 0x81 <= lead <= 0x84 or 0x88 <= lead <= 0x9F or 0xE0 <= lead <= 0xEA:
        return 0  # JIS X 0208
    if 0xF0 <= lead <= 0xF9:
        return 0  # user-defined area: one code per character
    if lead == 0x87:
        return 1  # NEC row 13
    if lead in (0xED, 0xEE):
        return 2  # NEC-selected IBM extension
    if 0xFA <= lead <= 0xFC:
        return 3  # IBM extension
    fail("unexpected double-byte code %04X decodes" % code)


def build():
    # Double-byte codes.
    pairs = {}
    for lead in range(0x80, 0x100):
        for trail in range(0x100):
            text = decode_strict(bytes([lead, trail]))
            if text is not None and len(text) == 1:
                if lead not in LEADS or not TRAIL_FIRST <= trail <= TRAIL_LAST:
                    fail("pair %02X%02X outside the lead/trail ranges" % (lead, trail))
                if ord(text) < 0x80 or ord(text) > 0xFFFF:
                    fail("pair %02X%02X decodes to U+%04X" % (lead, trail, ord(text)))
                pairs[(lead << 8) | trail] = ord(text)
    if len(pairs) != EXPECTED_PAIRS:
        fail("%d double-byte codes decode, expected %d" % (len(pairs), EXPECTED_PAIRS))

    # Single bytes.
    singles = {}
    for b in range(0x100):
        text = decode_strict(bytes([b]))
        if text is not None:
            singles[b] = ord(text)

    mapping = {}
    for b in range(0x80):
        if singles.get(b) != b:
            fail("byte %02X does not decode to itself" % b)
    for b in range(0xA1, 0xE0):
        if singles.get(b) != 0xFEC0 + b:
            fail("byte %02X is not half-width katakana" % b)
        mapping[singles[b]] = b
    for b, u in ((0xA0, 0xF8F0), (0xFD, 0xF8F1), (0xFE, 0xF8F2), (0xFF, 0xF8F3)):
        if singles.get(b) != u:
            fail("byte %02X does not decode to U+%04X" % (b, u))
        mapping[u] = b
    if singles.get(0x80) != 0x80:
        fail("byte 80 does not decode to U+0080")

    best = {}
    for code, u in sorted(pairs.items()):
        if u in mapping:
            fail("U+%04X has both a single byte and code %04X" % (u, code))
        r = rank(code)
        if u not in best or r < best[u][0]:
            best[u] = (r, code)
        elif r == best[u][0]:
            fail("tie for U+%04X between %04X and %04X" % (u, best[u][1], code))
    for u, (_, code) in best.items():
        mapping[u] = code

    for u in NO_CODE:
        if u in mapping:
            fail("U+%04X must have no code" % u)
    return pairs, singles, mapping


def page_tables(mapping):
    pages = {}
    for u in mapping:
        pages.setdefault(u >> 8, []).append(u & 0xFF)
    tables = {}
    for page, lows in sorted(pages.items()):
        first, last = min(lows), max(lows)
        run = [mapping.get((page << 8) | low, 0) for low in range(first, last + 1)]
        tables[page] = (first, run)
    return tables


def hex_rows(values, indent="    ", per_line=12):
    lines = []
    for i in range(0, len(values), per_line):
        lines.append(indent + ", ".join("0x%04X" % v for v in values[i:i + per_line]) + ",")
    return "\n".join(lines)


def emit_cpp(tables, pairs):
    out = []
    out.append("// Code page 932 tables: Unicode to Shift_JIS by page, and the double-byte decode table.")
    out.append("// Generated by tools/gen-uni2sj.py from Python's cp932 decoder; do not edit by hand.")
    out.append("#include \"uni2sj.h\"")
    out.append("")
    out.append("namespace uni2sj_tables {")
    out.append("namespace {")
    out.append("")
    for page, (first, run) in tables.items():
        out.append("// U+%02X%02X-U+%02X%02X" % (page, first, page, first + len(run) - 1))
        out.append("const uint16_t Page%02X[] = {" % page)
        out.append("    0x%02X," % first)
        out.append(hex_rows(run))
        out.append("};")
        out.append("")
    out.append("}  // namespace")
    out.append("")
    out.append("const PageTable Pages[256] = {")
    for page in range(256):
        if page in tables:
            out.append("    {Page%02X, %d}," % (page, len(tables[page][1])))
        else:
            out.append("    {nullptr, 0},")
    out.append("};")
    out.append("")
    out.append("// [lead index][trail - 0x40]; lead index 0-30 for 0x81-0x9F, 31-59 for 0xE0-0xFC.")
    out.append("const uint16_t Cp932Pairs[%d][%d] = {" % (len(LEADS), TRAILS))
    for lead in LEADS:
        row = [pairs.get((lead << 8) | t, 0) for t in range(TRAIL_FIRST, TRAIL_LAST + 1)]
        out.append("    {  // lead %02X" % lead)
        out.append(hex_rows(row, indent="        "))
        out.append("    },")
    out.append("};")
    out.append("")
    out.append("}  // namespace uni2sj_tables")
    out.append("")
    return "\n".join(out)


def emit_test_data():
    def record(data):
        text = data.decode("cp932", "replace")
        units = text.encode("utf-16-le")
        return bytes([len(units) // 2]) + units

    blob = bytearray()
    for b in range(0x100):
        blob += record(bytes([b]))
    for lead in LEADS:
        for trail in range(0x100):
            blob += record(bytes([lead, trail]))
    return bytes(blob)


def write_if_changed(path, data):
    if isinstance(data, str):
        data = data.encode("utf-8")
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return False
    except FileNotFoundError:
        pass
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    return True


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    pairs, _singles, mapping = build()
    tables = page_tables(mapping)

    chars = sum(1 for u in mapping if u > 0x7F)
    entries = sum(len(run) for _, run in tables.values())
    print("double-byte codes:          %d" % len(pairs))
    print("characters beyond ASCII:    %d" % chars)
    print("page tables:                %d" % len(tables))
    print("run entries:                %d" % entries)
    print("page 00 run:                from %02X, %d entries" % (tables[0][0], len(tables[0][1])))
    if chars != EXPECTED_CHARS:
        fail("expected %d characters beyond ASCII" % EXPECTED_CHARS)
    if len(tables) != EXPECTED_PAGES:
        fail("expected %d page tables" % EXPECTED_PAGES)
    if entries != EXPECTED_ENTRIES:
        fail("expected %d run entries" % EXPECTED_ENTRIES)
    if tables[0][0] != 0xA7 or len(tables[0][1]) != 81:
        fail("page 00 must run from A7 with 81 entries")
    for u, code in ((0x2252, 0x81E0), (0x2160, 0x8754), (0x2170, 0xEEEF), (0x7E8A, 0xED40), (0x3042, 0x82A0),
                    (0x2225, 0x8161), (0xFF71, 0xB1), (0xE000, 0xF040), (0x00A7, 0x8198)):
        if mapping.get(u) != code:
            fail("U+%04X maps to %s, expected %04X" % (u, mapping.get(u), code))

    cpp = os.path.join(root, "src", "encoding", "uni2sj_tables.cpp")
    data = os.path.join(root, "tests", "data", "encoding", "cp932-decode.bin")
    for path, content in ((cpp, emit_cpp(tables, pairs)), (data, emit_test_data())):
        print("%s %s" % ("wrote    " if write_if_changed(path, content) else "unchanged", os.path.relpath(path, root)))


if __name__ == "__main__":
    main()
