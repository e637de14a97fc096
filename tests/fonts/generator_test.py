#!/usr/bin/python3
"""The font generator refuses bad input with one line naming the file, the line and what is
wrong, and writes no font: damaged font files, table files with a bad row, a row missing or
twice, a code that would draw nothing.

Usage: generator_test.py GENERATOR DATA_DIR NOTO LATIN"""

import os
import subprocess
import sys
import tempfile

generator, data, noto, latin = sys.argv[1:5]
TABLE = "sutonnymj.tsv"
SPELLINGS = "sutonnymj-spellings.tsv"
K = "0x4B\tK\tU+0995\t\u0995\tletter\tyes\t\t\t\t\n"  # ক, on line 76


def edit_row(old, new, file=TABLE):
    def edit(files):
        text = files[file].decode("utf-8")
        assert old in text, old
        files[file] = text.replace(old, new, 1).encode("utf-8")
    return edit


def font(name, content):
    def edit(files):
        files[name] = content
    return edit


with open(noto, "rb") as f:
    NOTO = f.read()

# name, the damage, what the message says (after "make_kestrum_bangla: ")
CASES = [
    ("missing font", font("noto", None), "{noto}: cannot read it: No such file or directory"),
    ("folder as font", font("noto", "folder"), "{noto}: cannot read it: Is a directory"),
    ("truncated font", font("noto", NOTO[:len(NOTO) // 3]), "{noto}: not a usable TrueType font"),
    ("garbage font", font("latin", b"\x00\x01\x00\x00" + bytes(range(256)) * 40),
     "{latin}: not a usable TrueType font"),
    ("a font without Bengali as the Bengali font", font("noto", "latin"),
     "{noto}: its GSUB has no Bengali (bng2) script"),
    ("bad byte", edit_row(K, K.replace("0x4B", "0xK4")),
     "{table}: line 76: bad byte '0xK4' (0x and two hex digits)"),
    ("bad code point", edit_row(K, K.replace("U+0995", "U+09G5")),
     "{table}: line 76: bad code point 'U+09G5' (U+ and hex digits)"),
    ("surrogate", edit_row(K, K.replace("U+0995", "U+D800")),
     "{table}: line 76: bad code point 'U+D800' (U+ and hex digits)"),
    ("short row", edit_row(K, "0x4B\tK\tU+0995\n"), "{table}: line 76: 3 fields, the header has 10"),
    ("unknown kind", edit_row(K, K.replace("letter", "lettre")),
     "{table}: line 76: 0x4B: unknown kind 'lettre'"),
    ("not UTF-8", lambda files: files.update(
        {TABLE: files[TABLE].replace("\u0995\tletter".encode(), b"\xe0\x9f\tletter", 1)}),
     "{table}: line 76: not UTF-8 (the byte at offset"),
    ("row deleted", edit_row(K, ""), "{table}: no row for 0x4B"),
    ("row twice", edit_row(K, K + K), "{table}: line 77: a second row for 0x4B (the first is on line 76)"),
    ("row changed to another letter", edit_row(K, K.replace("U+0995", "U+0996")),
     "{table}: line 76: 0x4B: the text '\u0995' is not its unicode U+0996"),
    ("row changed to a byte of another row", edit_row(K, K.replace("0x4B", "0x4C")),
     "{table}: line 76: 0x4C: the glyph column 'K' is not its Windows-1252 character 'L'"),
    ("code that draws nothing", edit_row(K, "0x4B\tK\tU+200C\t\tletter\tyes\t\t\t\t\n"),
     "{table}: line 76: 0x4B (U+200C) draws nothing in the font"),
    ("bad spelling bytes", edit_row("\t41 76\t", "\t41 7G\t", SPELLINGS),
     "{spellings}: line 13: bad bytes '41 7G' (hex, separated by spaces)"),
]

failures = 0
for name, damage, says in CASES:
    with tempfile.TemporaryDirectory() as work:
        files = {"noto": NOTO, "latin": open(latin, "rb").read()}
        for table in (TABLE, SPELLINGS):
            with open(os.path.join(data, table), "rb") as f:
                files[table] = f.read()
        damage(files)
        paths = {key: os.path.join(work, key) for key in files}
        for key, content in files.items():
            if content == "folder":
                os.mkdir(paths[key])
            elif isinstance(content, bytes):
                with open(paths[key], "wb") as f:
                    f.write(content)
        for key, content in files.items():
            if isinstance(content, str) and content != "folder":  # another of the files
                paths[key] = paths[content]
        output = os.path.join(work, "out", "font.ttf")
        run = subprocess.run(
            [sys.executable, generator, "--noto", paths["noto"], "--latin", paths["latin"],
             "--table", paths[TABLE], "--spellings", paths[SPELLINGS], "--output", output],
            capture_output=True, text=True)
        expected = "make_kestrum_bangla: " + says.format(
            noto=paths["noto"], latin=paths["latin"], table=paths[TABLE],
            spellings=paths[SPELLINGS])
        lines = run.stderr.splitlines()
        ok = (run.returncode == 1 and len(lines) == 1 and lines[0].startswith(expected)
              and not os.path.exists(output))
        print("%s: %s" % ("ok" if ok else "FAILED", name))
        if not ok:
            failures += 1
            print("  exit %d, expected %r, said:\n%s" % (run.returncode, expected, run.stderr))

print("%d passed, %d failed" % (len(CASES) - failures, failures))
sys.exit(1 if failures else 0)
