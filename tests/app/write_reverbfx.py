#!/usr/bin/env python3
"""Writes the reverb preset fixtures into the folder given, with ElementTree.

Presets, in the byte order the panel offers them: Hall, Nan, Odd, Room, Trunc, big.
The last one sorts after the capitals although "b" < "H" without case.
"""
import os
import sys
import xml.etree.ElementTree as ET


def document(params):
    root = ET.Element("FXPreset", Version="1.0")
    for nr, name, value in params:
        ET.SubElement(root, "Parameter", Nr=str(nr), Name=name, Value=str(value))
    return ET.tostring(root, encoding="utf-8", xml_declaration=True)


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main(folder):
    write(folder, "Hall.reverbfx", document([
        (0, "Preset", 3),           # the index itself: never applied
        (-1, "Unused", 7),          # never applied
        (1, "PREDelay T", 20),
        (2, "Reverb T", 1.5),
        (4, "WET", -3),
        (9, "Diffusion", 0.7),
        (12, "Mod Rate", 0.3),
        ((1 << 20) | 3, "Global", 1),  # would reach the global settings
    ]))
    write(folder, "Nan.reverbfx", document([(9, "Diffusion", "nan"), (10, "Size", 2), (11, "Spin", "inf")]))
    good = document([(9, "Diffusion", 0.1), (10, "Size", 0.2), (11, "Spin", 0.3)])
    cut = good.index(b'Nr="11"')
    write(folder, "Odd.reverbfx", good.replace(b'Value="0.3"', b'Value=0.3'))
    write(folder, "Room.reverbfx", document([(2, "Reverb T", 0.8), (10, "Size", 0.25)]))
    write(folder, "Trunc.reverbfx", good[:cut])
    write(folder, "big.reverbfx", document([(9 + i, "P%d" % i, i) for i in range(18)]))
    write(folder, "notes.txt", b"not a preset")


if __name__ == "__main__":
    main(sys.argv[1])
