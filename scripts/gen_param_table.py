#!/usr/bin/env python3
"""Writes data/ParamTableRows.inc, the rows of the parameter table, from the markdown design
document that describes them (section "Parameter table and data set").

Run once by hand when the document changes; the output is committed and the build does not
run this script:

    scripts/gen_param_table.py path/to/document.md > data/ParamTableRows.inc

The rows come from the document's tables: the per-module tables (envelopes, the four oscillator
blocks) are expanded over their instances, the explicit row tables are taken as they stand, and
the effect slots are expanded from their description. The few irregular rows the document
states in prose are applied here and checked against its text.
"""
import re
import sys

ROWS = 385
FLAG_RESERVED = 0


def section(text, title):
    m = re.search(r"^# [^\n]*: " + re.escape(title) + r"\n(.*?)(?=^# )", text, re.S | re.M)
    if not m:
        sys.exit("section '%s' not found" % title)
    return m.group(1)


def tables(text):
    """Every markdown table as (header cells, rows of cells)."""
    out = []
    lines = text.split("\n")
    i = 0
    while i < len(lines):
        if lines[i].startswith("|") and i + 1 < len(lines) and lines[i + 1].startswith("|---"):
            head = cells(lines[i])
            body = []
            i += 2
            while i < len(lines) and lines[i].startswith("|"):
                body.append(cells(lines[i]))
                i += 1
            out.append((head, body))
        else:
            i += 1
    return out


def cells(line):
    return [c.strip() for c in line.strip().strip("|").split("|")]


def find_table(all_tables, first_header_cells, last_header=None):
    for head, body in all_tables:
        if head[: len(first_header_cells)] == first_header_cells and (last_header is None or head[-1] == last_header):
            return body
    sys.exit("table %s not found" % first_header_cells)


def unquote(s):
    if not (s.startswith('"') and s.endswith('"')):
        sys.exit("expected a quoted name: %s" % s)
    return s[1:-1]


def num(s):
    return int(s, 16) if s.lower().startswith("0x") else int(s)


def can(s):
    return 0 if s.startswith("-") else num(s)


class Row:
    def __init__(self, ctrl, instance, group, can_id, vtype, flag, name, default):
        self.ctrl, self.instance, self.group = ctrl, instance, group
        self.can_id, self.vtype, self.flag = can_id, vtype, flag
        self.name, self.default = name, default


def module_rows(body, prefixes, group, ctrl_col=1):
    """Rows of a per-module table: one block per prefix (instance = position in prefixes)."""
    out = []
    for inst, prefix in enumerate(prefixes):
        for r in body:
            suffix = unquote(r[0])
            ctrl, vtype, default = num(r[ctrl_col]), int(r[2]), float(r[3])
            can_cell = r[4 + inst]
            m = re.match(r"-\s*\(type (\d+), default (-?[\d.]+)\)", can_cell)
            if m:  # a block that differs from the first one in type and default
                vtype, default = int(m.group(1)), float(m.group(2))
            out.append(Row(ctrl, inst, group, can(can_cell), vtype, 1, prefix + " " + suffix, default))
    return out


def explicit_rows(body, first_row):
    out = []
    for k, r in enumerate(body):
        if int(r[0]) != first_row + k:
            sys.exit("row numbers out of order at %s" % r[0])
        name = unquote(r[1])
        out.append(Row(num(r[2]), int(r[3]), int(r[4]), can(r[5]), int(r[6]),
                       FLAG_RESERVED if name == "reserved" else 1, name, float(r[7])))
    return out


def build(doc):
    text = section(doc, "Parameter table and data set")
    t = tables(text)

    env = find_table(t, ["suffix", "ctrl", "value type", "default", "CAN id ENV1"])
    common = find_table(t, ["suffix", "ctrl", "value type", "default", "CAN id OSC1"])
    wt = find_table(t, ["suffix", "ctrl", "value type", "default", "CAN id WTOSC1"])
    alg = find_table(t, ["suffix", "ctrl", "value type", "default", "CAN id ALGOSC1"])
    res = find_table(t, ["suffix", "ctrl", "value type", "default", "CAN id RESONATOR1"])
    explicit = [body for head, body in t if head[:2] == ["row", "name"]]

    rows = []
    for inst in range(4):
        for r in env:
            rows.append(Row(num(r[1]), inst, 2, can(r[4 + inst]), int(r[2]), 1,
                            "ENV%d %s" % (inst + 1, unquote(r[0])), float(r[3])))

    for osc in range(2):
        n = osc + 1
        block = []
        for body, prefix, group in ((common, "OSC", 9), (wt, "WTOSC", 10), (alg, "ALGOSC", 11), (res, "RESONATOR", 12)):
            # Expand both instances and keep this oscillator's, so the per-oscillator columns apply.
            both = module_rows(body, [prefix + "1", prefix + "2"], group)
            block += [r for r in both if r.instance == osc]
        # Irregular rows stated in prose: the first wavetable row of oscillator 2 is named
        # "Pitch", and the algorithmic oscillator's Mute row carries the wavetable group.
        for r in block:
            if r.name == "ALGOSC%d Mute" % n:
                assert '"ALGOSC1 Mute", has group 10' in text
                r.group = 10
        if osc == 1:
            assert 'row 92 is "WTOSC2 Pitch"' in text
            first_wt = next(r for r in block if r.name == "WTOSC2 Coarse")
            first_wt.name = "WTOSC2 Pitch"
        rows += block

    for body in explicit:
        rows += explicit_rows(body, len(rows))

    m = re.search(r"BYPASS \(ctrl (0x[0-9A-F]+), default (\d+)\)", text)
    assert m and "TYPE (ctrl 0x800F0, default 0)" in text and "P1 to P15 (ctrl 0x80000 to 0x8000E, default 0)" in text
    for slot in range(10):
        rows.append(Row(0x800F0, slot, 13, 0, 0, 1, "EFF [%d] TYPE" % slot, 0.0))
        for p in range(15):
            rows.append(Row(0x80000 + p, slot, 13, 0, 0, 1, "EFF [%d] P%d" % (slot, p + 1), 0.0))
        rows.append(Row(num(m.group(1)), slot, 13, 0, 0, 1, "EFF [%d] BYPASS" % slot, float(m.group(2))))

    if len(rows) != ROWS:
        sys.exit("expected %d rows, made %d" % (ROWS, len(rows)))
    return rows


def c_float(v):
    s = repr(float(v))
    return s + "f"


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], encoding="utf-8") as f:
        rows = build(f.read())
    print("// Generated by scripts/gen_param_table.py; do not edit by hand.")
    print("// row: ctrl, instance, group, CAN id, value type, flag, name, default, spare")
    for i, r in enumerate(rows):
        print('/* %3d */ {0x%X, %d, %d, 0x%X, %d, %d, "%s", %s, 0},'
              % (i, r.ctrl, r.instance, r.group, r.can_id, r.vtype, r.flag, r.name, c_float(r.default)))
    print('/* %3d */ {0xFFFFFFFF, 0, 0, 0x0, 0, 0, "", 0.0f, 0},' % len(rows))


if __name__ == "__main__":
    main()
