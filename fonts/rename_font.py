#!/usr/bin/python3
"""Writes a copy of a font under another family name (the tests' stand-in for an installed
font of that family).

Usage: rename_font.py INPUT.ttf OUTPUT.ttf FAMILY
"""

import os
import sys

from fontTools.ttLib import TTFont


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__.strip())
    source, target, family = sys.argv[1:]
    font = TTFont(source, recalcTimestamp=False)
    postscript = family.replace(" ", "") + "-Regular"
    names = font["name"]
    for record in list(names.names):
        if record.nameID in (16, 17, 21, 22):
            names.removeNames(nameID=record.nameID)
    for name_id, text in ((1, family), (3, postscript), (4, family + " Regular"),
                          (6, postscript)):
        names.setName(text, name_id, 3, 1, 0x409)
        names.setName(text, name_id, 1, 0, 0)
    temporary = target + ".tmp"
    font.save(temporary)
    os.replace(temporary, target)


if __name__ == "__main__":
    main()
