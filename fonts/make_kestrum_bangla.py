#!/usr/bin/python3
"""Builds Kestrum Bangla, a font that draws SutonnyMJ glyph codes with Noto Sans Bengali's glyphs.

The font's cmap holds the Windows-1252 characters of the glyph codes, as SutonnyMJ's does. Every
code has a glyph of its own (a composite of the Noto glyphs it stands for, so the code draws even
where no shaping happens). The font's GSUB, run by any OpenType shaper as required ligatures
('rlig', on for every script), turns a run of codes into the glyph stream that Noto's Bengali
shaping makes of the same text before its presentation forms:

  1. codes typed after a phala sign that belong after it (a vowel sign or reph typed before the
     sign) are put after it, so the consonant and its sign meet;
  2. multi-code spellings (half form + letter, letter + phala, the table's spellings) become one
     placeholder each, and every code and placeholder becomes the Noto glyphs of its Unicode;
  3. glyphs that Noto orders differently (a reph typed after a vowel sign, a vowel sign typed
     before a ya-phala) are swapped into Noto's order.

Then Noto's own presentation lookups (i-kar lengths, u-kar forms, ligatures like রু শু হু) and
its positioning (marks, reph, kerning) run unchanged, so the codes draw as Noto draws the
Unicode. Everything is derived here by shaping candidate strings with HarfBuzz (hb-shape); none
of it is written out by hand.

Bad input ends the run with one line that names the file, the line and what is wrong, and no
font is written: a font file that is missing or damaged, a table row with a bad field, a byte
from 0x20 to 0xFF without its row or with two, a code that would draw nothing.

Usage: make_kestrum_bangla.py --noto NotoSansBengali-Regular.ttf --latin NotoSans-Regular.ttf
           --table sutonnymj.tsv --spellings sutonnymj-spellings.tsv --output OUT.ttf
           [--hb-shape PROGRAM] [--verbose]
"""

import argparse
import copy
import json
import os
import subprocess
import sys
import tempfile
from collections import Counter

from fontTools.otlLib import builder as otl
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont, newTable
from fontTools.ttLib.tables import otTables
from fontTools.ttLib.tables._c_m_a_p import cmap_format_4

FAMILY = "Kestrum Bangla"
POSTSCRIPT = "KestrumBangla-Regular"
VERSION = "1.000"

VIRAMA = "\u09cd"
ZWJ = "\u200d"
CARRIER = "\u0995"  # ক: the consonant that carries a lone sign while shaping it
# Features of Noto's Bengali shaping that run after HarfBuzz's final reordering: left out to
# see the glyphs they start from, and kept in the font to run on the converted codes.
PRESENTATION = ("init", "pres", "abvs", "blws", "psts", "haln")
POST_KINDS = ("phala", "sign-after", "sign-below", "mark-above", "reph", "mark")
VOWEL_SIGN_KINDS = ("sign-after", "sign-below")


def fail(message):
    sys.exit("make_kestrum_bangla: " + message)


KINDS = ("letter", "conjunct", "sign-before", "sign-after", "sign-below", "half", "second-half",
         "phala", "reph", "mark", "mark-above", "digit", "punctuation", "unused")
ENCODE = ("yes", "start", "after", "part", "no")
# The glyph column's names for the codes whose Windows-1252 character does not show.
GLYPH_NAMES = {0x20: "<SPACE>", 0xA0: "<NBSP>", 0xAD: "<SHY>"}
JOINERS = "\u200c\u200d"


class Row(dict):
    """One row of a table file, with where it stands (for the messages)."""

    def __init__(self, fields, path, line):
        super().__init__(fields)
        self.where = "%s: line %d" % (path, line)

    def fail(self, what):
        fail("%s: %s" % (self.where, what))


def codepoints(field, row):
    text = ""
    for cp in field.split():
        try:
            if not cp.startswith("U+"):
                raise ValueError
            value = int(cp[2:], 16)
            if 0xD800 <= value <= 0xDFFF:
                raise ValueError
            text += chr(value)
        except (ValueError, OverflowError):
            row.fail("bad code point %r (U+ and hex digits)" % cp)
    return text


def read_tsv(path, columns):
    """The rows of a tab-separated table file (comments left out), each with every one of
    `columns`; the first line that is no comment names the columns."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as error:
        fail("%s: cannot read it: %s" % (path, error.strerror))
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        fail("%s: line %d: not UTF-8 (the byte at offset %d)" %
             (path, data.count(b"\n", 0, error.start) + 1, error.start))
    header, rows = None, []
    for number, line in enumerate(text.split("\n"), 1):
        line = line.rstrip("\r")
        if not line or line.startswith("#"):
            continue
        fields = line.split("\t")
        if header is None:
            header = fields
            missing = [c for c in columns if c not in header]
            if missing:
                fail("%s: line %d: the header has no column %s" % (path, number, missing[0]))
            continue
        row = Row(zip(header, fields), path, number)
        if len(fields) != len(header):
            row.fail("%d fields, the header has %d" % (len(fields), len(header)))
        rows.append(row)
    if header is None:
        fail("%s: no header line (the names of the columns)" % path)
    return rows


class Code:
    """One glyph code of the table."""

    def __init__(self, row):
        field = row["byte"]
        try:
            if not field.startswith("0x") or len(field) != 4:
                raise ValueError
            self.byte = int(field[2:], 16)
        except ValueError:
            row.fail("bad byte %r (0x and two hex digits)" % field)
        if self.byte < 0x20:
            row.fail("byte %s is no glyph code (they run from 0x20 to 0xFF)" % field)
        self.row = row
        char = bytes([self.byte]).decode("cp1252", errors="replace")
        self.char = char
        self.unicode = codepoints(row["unicode"], row)
        self.kind = row["kind"]
        self.encode = row["encode"]
        self.glyph = "code.%02X" % self.byte
        if self.kind not in KINDS:
            row.fail("0x%02X: unknown kind %r" % (self.byte, self.kind))
        if self.encode not in ENCODE:
            row.fail("0x%02X: unknown encode %r" % (self.byte, self.encode))
        if (self.kind == "unused") != (not self.unicode):
            row.fail("0x%02X: %s" % (self.byte, "unused, but with a unicode" if self.unicode
                                     else "no unicode, but not unused"))
        shown = "" if char == "\ufffd" or ord(char) < 0x20 or char == "\x7f" else char
        if row["glyph"] != GLYPH_NAMES.get(self.byte, shown):
            row.fail("0x%02X: the glyph column %r is not its Windows-1252 character %r" %
                     (self.byte, row["glyph"], GLYPH_NAMES.get(self.byte, shown)))
        if row["text"] and row["text"] not in (self.unicode, self.unicode.strip(JOINERS)):
            row.fail("0x%02X: the text %r is not its unicode %s" %
                     (self.byte, row["text"], row["unicode"]))

    def is_cluster(self):
        """A consonant or a conjunct that ends in a consonant: a phala or half form joins it."""
        if self.kind not in ("letter", "conjunct") or not self.unicode:
            return False
        last = self.unicode.rstrip("\u09bc")[-1]
        return "\u0995" <= last <= "\u09b9" or last in "\u09dc\u09dd\u09df"


def read_codes(path):
    """The glyph codes that draw something; every byte from 0x20 to 0xFF has its row, once."""
    rows = {}
    codes = {}
    for row in read_tsv(path, ("byte", "glyph", "unicode", "text", "kind", "encode")):
        code = Code(row)
        if code.byte in rows:
            row.fail("a second row for 0x%02X (the first is on %s)" %
                     (code.byte, rows[code.byte].where.rsplit(": ", 1)[1]))
        rows[code.byte] = row
        if code.kind != "unused":
            if code.char == "\ufffd":
                row.fail("0x%02X has no Windows-1252 character" % code.byte)
            codes[code.byte] = code
    missing = [b for b in range(0x20, 0x100) if b not in rows]
    if missing:
        fail("%s: no row for 0x%02X%s" % (path, missing[0], " (and %d more)" % (len(missing) - 1)
                                          if len(missing) > 1 else ""))
    return codes


def read_spellings(path, codes):
    spellings = []
    for row in read_tsv(path, ("unicode", "text", "bytes")):
        try:
            sequence = tuple(int(b, 16) for b in row["bytes"].split())
            if not sequence or any(not 0 <= b <= 0xFF for b in sequence):
                raise ValueError
        except ValueError:
            row.fail("bad bytes %r (hex, separated by spaces)" % row["bytes"])
        unicode = codepoints(row["unicode"], row)
        if not unicode:
            row.fail("no unicode")
        if all(b in codes for b in sequence):
            spellings.append((sequence, unicode))
    return spellings


def open_font(path, bengali):
    """A font file read whole, so that a damaged one is refused here, with its name."""
    try:
        font = TTFont(path, recalcTimestamp=False)
        for tag in ("head", "hhea", "maxp", "cmap", "glyf", "hmtx", "name", "OS/2", "post") + \
                (("GSUB", "GPOS", "GDEF") if bengali else ()):
            font[tag]
        glyf = font["glyf"]
        for name in font.getGlyphOrder():
            glyf[name].expand(glyf)
        font.getBestCmap()
    except OSError as error:
        fail("%s: cannot read it: %s" % (path, error.strerror or error))
    except Exception as error:  # fontTools raises many kinds on a damaged file
        fail("%s: not a usable TrueType font (%s)" % (path, str(error) or type(error).__name__))
    if bengali:
        for tag in ("GSUB", "GPOS"):
            if not any(s.ScriptTag == "bng2" for s in font[tag].table.ScriptList.ScriptRecord):
                fail("%s: its %s has no Bengali (bng2) script" % (path, tag))
        if font["GDEF"].table.GlyphClassDef is None:
            fail("%s: its GDEF has no glyph classes" % path)
    return font


class Shaper:
    """Noto Sans Bengali shaped by hb-shape, many lines a run, results cached."""

    def __init__(self, font, program="hb-shape"):
        self.font = font
        self.program = program
        self.cache = {}

    def shape(self, texts, basic=True):
        key = "basic" if basic else "full"
        todo = sorted({t for t in texts if (key, t) not in self.cache})
        if todo:
            for text in todo:
                if "\n" in text or "\r" in text:
                    fail("cannot shape a line break")
            with tempfile.NamedTemporaryFile("w", encoding="utf-8", suffix=".txt") as f:
                f.write("\n".join(todo) + "\n")
                f.flush()
                command = [self.program, "--output-format=json", "--preserve-default-ignorables",
                           "--font-file=" + self.font, "--text-file=" + f.name]
                if basic:
                    command.append("--features=" + ",".join("-" + t for t in PRESENTATION))
                try:
                    out = subprocess.run(command, check=True, capture_output=True,
                                         text=True).stdout
                except (OSError, subprocess.CalledProcessError) as error:
                    fail("hb-shape failed (%s); it is in Debian's libharfbuzz-bin" % error)
            results = out.splitlines()
            if len(results) != len(todo):
                fail("hb-shape gave %d results for %d lines" % (len(results), len(todo)))
            for text, line in zip(todo, results):
                self.cache[(key, text)] = json.loads(line)
        return {t: self.cache[(key, t)] for t in texts}

    def glyphs(self, texts):
        return {t: tuple(g["g"] for g in r) for t, r in self.shape(texts).items()}


def without(full, part):
    """`full` with the first run of `part` taken out, or None when `part` is not in it."""
    for i in range(len(full) - len(part) + 1):
        if full[i:i + len(part)] == part:
            return full[:i] + full[i + len(part):]
    return None


def logical(cluster, post):
    """Unicode for a cluster followed by post-cluster codes in the order typed: a reph goes
    before the cluster, phala signs join it, then the vowel sign, then the marks."""
    reph = any(c.kind == "reph" for c in post)
    phalas = "".join(c.unicode for c in post if c.kind == "phala")
    signs = [c for c in post if c.kind in VOWEL_SIGN_KINDS]
    if len(signs) > 1:
        return None
    marks = "".join(c.unicode for c in post if c.kind in ("mark", "mark-above"))
    return ("\u09b0" + VIRAMA if reph else "") + cluster + phalas + \
        (signs[0].unicode if signs else "") + marks


class Derivation:
    """The glyph stream each code and each multi-code spelling stands for, from Noto."""

    def __init__(self, shaper, codes, spellings, init_forms):
        self.shaper = shaper
        self.codes = codes
        self.spellings = spellings
        self.init_forms = init_forms
        self.expansion = {}  # byte -> Noto glyphs
        self.rules1 = {}  # a cluster and its phala signs: byte tuple -> Noto glyphs
        self.rules2 = {}  # a half form and what follows: tuple of bytes and rules1 keys -> glyphs
        self.sources = {}  # byte sequence -> its Unicode
        self.notes = []

    def unit_text(self, code):
        """What to shape for one code, and the carrier glyphs to take out of the result."""
        u, kind = code.unicode, code.kind
        if kind in ("letter", "conjunct", "digit", "punctuation"):
            return u, ""
        if kind == "sign-before" or kind in VOWEL_SIGN_KINDS or kind in ("mark", "mark-above"):
            return CARRIER + u, CARRIER
        if kind == "reph":
            return u + CARRIER, CARRIER
        if kind == "half":
            return u + ZWJ, ZWJ
        if kind == "second-half":
            return u.lstrip(VIRAMA), ""
        return None, None  # phala: below

    def derive_units(self):
        plain = {}
        for code in self.codes.values():
            text, carrier = self.unit_text(code)
            if text is not None:
                plain[code.byte] = (text, carrier)
        shaped = self.shaper.glyphs([t for t, _ in plain.values()] +
                                    [c for _, c in plain.values() if c])
        for byte, (text, carrier) in plain.items():
            glyphs = shaped[text]
            if carrier:
                glyphs = without(glyphs, shaped[carrier])
                if glyphs is None:
                    fail("0x%02X: its carrier did not survive shaping" % byte)
            if self.codes[byte].encode == "start":
                glyphs = tuple(self.init_forms.get(g, g) for g in glyphs)
            self.expansion[byte] = glyphs
        # A phala's glyphs are what it adds to a consonant; the clusters that fuse with it
        # (ক্র) say nothing, so the most common addition over all clusters is taken; where
        # every cluster fuses with it, the sign as Noto draws it alone.
        clusters = [c for c in self.codes.values() if c.is_cluster()]
        for code in self.codes.values():
            if code.kind != "phala":
                continue
            texts = [c.unicode + code.unicode for c in clusters]
            alone = "\u25cc" + code.unicode
            shaped = self.shaper.glyphs(texts + [c.unicode for c in clusters] + [alone])
            tails = Counter()
            for c in clusters:
                tail = without(shaped[c.unicode + code.unicode], shaped[c.unicode])
                if tail:
                    tails[tail] += 1
            if tails:
                self.expansion[code.byte] = tails.most_common(1)[0][0]
            else:
                self.expansion[code.byte] = tuple(g for g in shaped[alone] if g != "uni25CC")

    def level1_candidates(self):
        """A consonant, conjunct or second half with one or two phala signs, and the table's
        spellings that do not begin with a half form; the table's reading of a spelling wins."""
        clusters = [c for c in self.codes.values() if c.is_cluster() or c.kind == "second-half"]
        phalas = [c for c in self.codes.values() if c.kind == "phala"]
        ya = [c for c in phalas if c.unicode == VIRAMA + "\u09af"]
        out = [(s, u) for s, u in self.spellings if self.codes[s[0]].kind != "half"]
        for c in clusters:
            base = c.unicode.lstrip(VIRAMA)
            for p in phalas:
                out.append(((c.byte, p.byte), base + p.unicode))
                for y in ya:
                    if y is not p:
                        out.append(((c.byte, p.byte, y.byte), base + p.unicode + y.unicode))
        return out

    def level2_candidates(self):
        """A half form with the consonant, conjunct or second half after it (and that one's
        phala sign), and the table's spellings that begin with a half form."""
        clusters = [c for c in self.codes.values() if c.is_cluster() or c.kind == "second-half"]
        phalas = [c for c in self.codes.values() if c.kind == "phala"]
        halves = [c for c in self.codes.values() if c.kind == "half"]
        out = [(s, u) for s, u in self.spellings if self.codes[s[0]].kind == "half"]
        for h in halves:
            for x in clusters:
                joined = h.unicode + x.unicode.lstrip(VIRAMA)
                out.append(((h.byte, x.byte), joined))
                for p in phalas:
                    out.append(((h.byte, x.byte, p.byte), joined + p.unicode))
        return out

    @staticmethod
    def greedy(sequence, rules):
        """`sequence` cut as a ligature lookup cuts it: at each place the longest rule that
        starts there (a tuple of the parts it joins), else the part itself."""
        out, i = [], 0
        longest = max((len(r) for r in rules), default=1)
        while i < len(sequence):
            for j in range(min(len(sequence), i + longest), i + 1, -1):
                if tuple(sequence[i:j]) in rules:
                    out.append(tuple(sequence[i:j]))
                    i = j
                    break
            else:
                out.append(sequence[i])
                i += 1
        return out

    def tokens(self, sequence):
        """The parts the two ligature levels make of a byte sequence."""
        return self.greedy(self.greedy(list(sequence), self.rules1), self.rules2)

    def glyphs_of(self, token):
        if isinstance(token, int):
            return self.expansion[token]
        if token in self.rules2:
            return self.rules2[token]
        if token in self.rules1:
            return self.rules1[token]
        return sum((self.glyphs_of(t) for t in token), ())

    def simulate(self, sequence):
        """The glyphs the font makes of `sequence` with the rules so far."""
        return sum((self.glyphs_of(t) for t in self.tokens(sequence)), ())

    def derive_rules(self):
        """A rule for each candidate that the rules so far and the codes' own glyphs draw
        otherwise than Noto draws its Unicode; level 1 first, shorter candidates first."""
        for level, candidates in ((1, self.level1_candidates()), (2, self.level2_candidates())):
            shaped = self.shaper.glyphs([u for _, u in candidates])
            readings = {}
            for sequence, unicode in candidates:
                readings.setdefault(sequence, unicode)
            for length in sorted({len(s) for s in readings}):
                for sequence, unicode in readings.items():
                    if len(sequence) != length or length < 2:
                        continue
                    if self.simulate(sequence) == shaped[unicode]:
                        continue
                    if level == 1:
                        self.rules1[sequence] = shaped[unicode]
                    else:
                        key = (sequence[0],) + tuple(self.greedy(list(sequence[1:]), self.rules1))
                        self.rules2[key] = shaped[unicode]
                    self.sources[sequence] = unicode

    def post_pairs(self):
        """Pairs of codes typed after a cluster, in both orders, with what Noto makes of each:
        the pairs whose codes must change places before or after they become glyphs."""
        # (the visible hasanta is a mark too, but it ends the cluster rather than following it)
        post = [c for c in self.codes.values()
                if c.kind in POST_KINDS and not (c.kind == "mark" and VIRAMA in c.unicode)]
        tests = {}
        for a in post:
            for b in post:
                if a is b or (a.kind == b.kind and a.kind not in ("mark", "mark-above")):
                    continue
                text = logical(CARRIER, [a, b])
                if text is not None:
                    tests[(a.byte, b.byte)] = text
        shaped = self.shaper.glyphs(list(tests.values()) + [CARRIER])
        carrier = shaped[CARRIER]
        byte_swaps, glyph_swaps = {}, {}
        for (a, b), text in tests.items():
            glyphs = without(shaped[text], carrier)
            ea, eb = self.expansion[a], self.expansion[b]
            if glyphs is None or glyphs == ea + eb:
                continue
            if self.codes[b].kind == "phala" and glyphs == eb + ea:
                byte_swaps[(a, b)] = (b, a)  # the sign typed before the phala goes after it
            elif glyphs == eb + ea and len(ea) == 1 and len(eb) == 1:
                glyph_swaps[ea + eb] = eb + ea
            else:
                self.notes.append("0x%02X 0x%02X: Noto draws %s" % (a, b, " ".join(glyphs)))
        return byte_swaps, glyph_swaps


def noto_init_forms(font):
    """The word-initial forms of Noto's 'init' feature (the e-kar and ai-kar ini forms)."""
    gsub = font["GSUB"].table
    forms = {}
    for record in gsub.FeatureList.FeatureRecord:
        if record.FeatureTag != "init":
            continue
        for index in record.Feature.LookupListIndex:
            for sub in gsub.LookupList.Lookup[index].SubTable:
                forms.update(getattr(sub, "mapping", {}))
    return forms


def presentation_lookups(font):
    """Indices of Noto's Bengali presentation lookups (bng2), in the order they run."""
    gsub = font["GSUB"].table
    script = next(s for s in gsub.ScriptList.ScriptRecord if s.ScriptTag == "bng2")
    indices = set()
    for index in script.Script.DefaultLangSys.FeatureIndex:
        record = gsub.FeatureList.FeatureRecord[index]
        if record.FeatureTag in PRESENTATION and record.FeatureTag != "init":
            indices.update(record.Feature.LookupListIndex)
    return sorted(indices)


def shift_lookup_references(lookup, offset):
    """Contextual lookups name other lookups by index: move those by `offset`."""
    rule_lists = {"SubRuleSet": "SubRule", "SubClassSet": "SubClassRule",
                  "ChainSubRuleSet": "ChainSubRule", "ChainSubClassSet": "ChainSubClassRule"}
    for sub in lookup.SubTable:
        for set_attr, rule_attr in rule_lists.items():
            for ruleset in getattr(sub, set_attr, None) or []:
                for rule in getattr(ruleset, rule_attr, None) or []:
                    for record in rule.SubstLookupRecord:
                        record.LookupListIndex += offset
        for record in getattr(sub, "SubstLookupRecord", None) or []:
            record.LookupListIndex += offset


class FontWriter:
    def __init__(self, noto_path, latin_path):
        # Noto's own timestamps stay, so the same inputs give the same file.
        self.font = open_font(noto_path, bengali=True)
        self.latin = open_font(latin_path, bengali=False)
        self.noto_cmap = self.font.getBestCmap()
        self.order = list(self.font.getGlyphOrder())
        self.glyf = self.font["glyf"]
        self.hmtx = self.font["hmtx"]
        self.classes = dict(self.font["GDEF"].table.GlyphClassDef.classDefs)

    def add_glyph(self, name, glyph, advance, glyph_class=None):
        self.order.append(name)
        self.glyf.glyphs[name] = glyph
        self.hmtx.metrics[name] = (advance, 0)
        if glyph_class:
            self.classes[name] = glyph_class

    def borrow_latin(self, char):
        """A glyph from Noto Sans for a character Noto Sans Bengali lacks (with its parts)."""
        name = self.latin.getBestCmap().get(ord(char))
        if name is None:
            fail("no glyph for U+%04X in either font" % ord(char))
        latin_glyf = self.latin["glyf"]

        def copy_glyph(source):
            target = "latin." + source
            if target in self.glyf.glyphs:
                return target
            glyph = copy.deepcopy(latin_glyf[source])
            if glyph.isComposite():
                for component in glyph.components:
                    component.glyphName = copy_glyph(component.glyphName)
            self.add_glyph(target, glyph, self.latin["hmtx"][source][0])
            return target

        return copy_glyph(name)

    def composite(self, placed):
        pen = TTGlyphPen(self.glyf.glyphs)
        for name, x, y in placed:
            pen.addComponent(name, (1, 0, 0, 1, x, y))
        return pen.glyph()


def build(args):
    codes = read_codes(args.table)
    spellings = read_spellings(args.spellings, codes)
    writer = FontWriter(args.noto, args.latin)
    font = writer.font
    shaper = Shaper(args.noto, args.hb_shape)

    # Unicode the Bengali font cannot draw (a few ASCII signs) comes from its Latin sibling.
    for code in codes.values():
        if code.kind == "punctuation" and ord(code.unicode[0]) not in writer.noto_cmap:
            code.borrowed = writer.borrow_latin(code.unicode)

    derivation = Derivation(shaper, codes, spellings, noto_init_forms(font))
    derivation.derive_units()
    for code in codes.values():
        if getattr(code, "borrowed", None):
            derivation.expansion[code.byte] = (code.borrowed,)
        elif ".notdef" in derivation.expansion[code.byte]:
            fail("0x%02X: Noto has no glyph for %r" % (code.byte, code.unicode))
    derivation.derive_rules()
    byte_swaps, glyph_swaps = derivation.post_pairs()

    # The code glyphs: what each code draws where nothing is shaped, as Noto places it.
    placed_texts = {}
    for code in codes.values():
        text, carrier = derivation.unit_text(code)
        if text is not None:
            placed_texts[code.byte] = (text, carrier)
    full = shaper.shape([t for t, _ in placed_texts.values()] +
                        [c for _, c in placed_texts.values() if c], basic=False)
    for code in codes.values():
        if getattr(code, "borrowed", None):
            parts, advance = [(code.borrowed, 0, 0)], writer.hmtx[code.borrowed][0]
        elif code.byte not in placed_texts:
            # a phala: its glyphs side by side (most are drawn in one with their consonant)
            parts, advance = [], 0
            for g in derivation.expansion[code.byte]:
                parts.append((g, advance, 0))
                advance += writer.hmtx[g][0]
        else:
            text, carrier = placed_texts[code.byte]
            parts, advance = place(full[text], full[carrier] if carrier else [])
        glyph_class = 3 if advance == 0 and code.kind in POST_KINDS else 1
        writer.add_glyph(code.glyph, writer.composite(parts), advance, glyph_class)

    # Placeholders for the multi-code spellings and the swapped pairs (never drawn).
    empty = TTGlyphPen(None).glyph()
    expansions = {code.glyph: list(derivation.expansion[code.byte]) for code in codes.values()}
    level1, level2, names = {}, {}, {}
    for n, (sequence, glyphs) in enumerate(sorted(derivation.rules1.items())):
        names[sequence] = "seq.%d" % n
        writer.add_glyph(names[sequence], copy.deepcopy(empty), 0)
        level1[tuple(codes[b].glyph for b in sequence)] = names[sequence]
        expansions[names[sequence]] = list(glyphs)
    for n, (key, glyphs) in enumerate(sorted(derivation.rules2.items(), key=repr)):
        name = "half.%d" % n
        writer.add_glyph(name, copy.deepcopy(empty), 0)
        level2[tuple(names[t] if isinstance(t, tuple) else codes[t].glyph for t in key)] = name
        expansions[name] = list(glyphs)
    reorder, reordered = {}, {}
    for n, ((a, b), (x, y)) in enumerate(sorted(byte_swaps.items())):
        name = "swap.%d" % n
        writer.add_glyph(name, copy.deepcopy(empty), 0)
        reorder[(codes[a].glyph, codes[b].glyph)] = name
        reordered[name] = [codes[x].glyph, codes[y].glyph]
    glyph_reorder, glyph_reordered = {}, {}
    for n, (pair, swapped) in enumerate(sorted(glyph_swaps.items())):
        name = "order.%d" % n
        writer.add_glyph(name, copy.deepcopy(empty), 0)
        glyph_reorder[pair] = name
        glyph_reordered[name] = list(swapped)

    # Noto draws its joiner glyphs (for showing invisibles): shapers hide the joiners typed in
    # the text, but not glyphs a substitution puts in, so ours are empty. They still stand
    # between the glyphs around them, as the joiners do, so no ligature forms across them.
    joiners = {}
    for joiner in ("uni200C", "uni200D"):
        joiners[joiner] = "empty." + joiner
        writer.add_glyph(joiners[joiner], copy.deepcopy(empty), 0)
    for name, glyphs in expansions.items():
        expansions[name] = [joiners.get(g, g) for g in glyphs]

    font.setGlyphOrder(writer.order)
    writer.glyf.glyphOrder = writer.order

    # GSUB: our lookups first, then Noto's (references moved past ours).
    gsub = font["GSUB"].table
    noto_lookups = gsub.LookupList.Lookup
    ours = []
    if reorder:
        ours += [otl.buildLookup([otl.buildLigatureSubstSubtable(reorder)]),
                 otl.buildLookup([otl.buildMultipleSubstSubtable(reordered)])]
    ours += [otl.buildLookup([otl.buildLigatureSubstSubtable(level1)]),
             otl.buildLookup([otl.buildLigatureSubstSubtable(level2)]),
             otl.buildLookup([otl.buildMultipleSubstSubtable(expansions)])]
    if glyph_reorder:
        swap = [otl.buildLookup([otl.buildLigatureSubstSubtable(glyph_reorder)]),
                otl.buildLookup([otl.buildMultipleSubstSubtable(glyph_reordered)])]
        ours += swap + copy.deepcopy(swap)  # twice: a sign may have to pass two others
    kept = presentation_lookups(font)
    for lookup in noto_lookups:
        shift_lookup_references(lookup, len(ours))
    gsub.LookupList.Lookup = ours + noto_lookups
    gsub.LookupList.LookupCount = len(gsub.LookupList.Lookup)
    feature = otTables.FeatureRecord()
    feature.FeatureTag = "rlig"
    feature.Feature = otTables.Feature()
    feature.Feature.FeatureParams = None
    feature.Feature.LookupListIndex = list(range(len(ours))) + [len(ours) + i for i in kept]
    feature.Feature.LookupCount = len(feature.Feature.LookupListIndex)
    gsub.FeatureList.FeatureRecord = [feature]
    gsub.FeatureList.FeatureCount = 1
    gsub.ScriptList = script_list([0])

    # GPOS: Noto's Bengali positioning for every script the codes may come as.
    gpos = font["GPOS"].table
    bng2 = next(s for s in gpos.ScriptList.ScriptRecord if s.ScriptTag == "bng2")
    gpos.ScriptList = script_list(list(bng2.Script.DefaultLangSys.FeatureIndex))

    gdef = font["GDEF"].table
    gdef.GlyphClassDef.classDefs = writer.classes

    write_cmap(font, codes)
    check_drawn(font, codes)
    borrowed = any(getattr(c, "borrowed", None) for c in codes.values())
    write_names(font, writer.latin if borrowed else None)
    if "DSIG" in font:
        del font["DSIG"]
    os2 = font["OS/2"]
    os2.achVendID = "KSTR"
    os2.ulCodePageRange1, os2.ulCodePageRange2 = 1, 0  # Latin 1 (Windows-1252)
    os2.recalcUnicodeRanges(font)
    font["head"].fontRevision = float(VERSION)

    os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
    temporary = args.output + ".tmp"
    font.save(temporary)
    os.replace(temporary, args.output)
    if args.verbose:
        print("%d codes, %d + %d spellings, %d byte swaps, %d glyph swaps" %
              (len(codes), len(level1), len(level2), len(reorder), len(glyph_reorder)))
        for note in derivation.notes:
            print("note:", note)


def place(shaped, carrier):
    """The glyphs of a shaped text, the carrier's glyphs taken out, placed from the pen
    position the carrier leaves (or from 0 when the carrier comes after them); and the advance
    they add. Invisible joiners are left out."""
    names = [g["g"] for g in shaped]
    carrier_names = [g["g"] for g in carrier]
    at = next((i for i in range(len(names)) if names[i:i + len(carrier)] == carrier_names), None)
    if carrier and at is None:
        fail("the carrier did not survive shaping: " + " ".join(names))
    pen, origin, advance, parts = 0, 0, 0, []
    for i, g in enumerate(shaped):
        if carrier and at <= i < at + len(carrier):
            pen += g["ax"]
            if i == at + len(carrier) - 1 and at == 0:
                origin = pen
            continue
        if g["g"] not in ("uni200C", "uni200D"):
            parts.append((g["g"], pen + g["dx"], g["dy"]))
        pen += g["ax"]
        advance += g["ax"]
    return [(n, x - origin, y) for n, x, y in parts], advance


def script_list(feature_indices):
    scripts = otTables.ScriptList()
    scripts.ScriptRecord = []
    for tag in ("DFLT", "latn"):
        record = otTables.ScriptRecord()
        record.ScriptTag = tag
        record.Script = otTables.Script()
        record.Script.DefaultLangSys = otTables.DefaultLangSys()
        record.Script.DefaultLangSys.LookupOrder = None
        record.Script.DefaultLangSys.ReqFeatureIndex = 0xFFFF
        record.Script.DefaultLangSys.FeatureIndex = list(feature_indices)
        record.Script.DefaultLangSys.FeatureCount = len(feature_indices)
        record.Script.LangSysRecord = []
        record.Script.LangSysCount = 0
        scripts.ScriptRecord.append(record)
    scripts.ScriptCount = len(scripts.ScriptRecord)
    return scripts


def write_cmap(font, codes):
    mapping = {ord(code.char): code.glyph for code in codes.values()}
    mapping[0xA0] = codes[0x20].glyph  # a no-break space draws as a space
    cmap = newTable("cmap")
    cmap.tableVersion = 0
    cmap.tables = []
    for platform, encoding in ((0, 3), (3, 1)):
        table = cmap_format_4(4)
        table.platformID, table.platEncID, table.language = platform, encoding, 0
        table.cmap = dict(mapping)
        cmap.tables.append(table)
    font["cmap"] = cmap


def check_drawn(font, codes):
    """Every code of the table reaches a glyph of its own that draws something (an outline or,
    for the space, an advance)."""
    cmap = font["cmap"].getcmap(3, 1).cmap
    glyf, hmtx = font["glyf"], font["hmtx"]
    for code in codes.values():
        name = cmap.get(ord(code.char))
        if name != code.glyph:
            code.row.fail("0x%02X has no glyph in the font" % code.byte)
        glyph = glyf[name]
        outline = glyph.isComposite() or glyph.numberOfContours > 0
        if not outline and not (code.kind == "punctuation" and hmtx[name][0] > 0):
            code.row.fail("0x%02X (%s) draws nothing in the font" % (code.byte, code.row["unicode"]))


def write_names(font, borrowed_from=None):
    """Our own names; the copyright notices of the fonts the glyphs come from and their
    licence stay."""
    name = font["name"]
    copyright_notice = name.getDebugName(0)
    if borrowed_from is not None:
        other = borrowed_from["name"].getDebugName(0)
        copyright_notice += " " + other[:other.find("Reserved.") + len("Reserved.")]
    licence, licence_url = name.getDebugName(13), name.getDebugName(14)
    designer = name.getDebugName(9)
    name.names = []
    entries = {
        0: copyright_notice + " Kestrum Bangla: modified by the Kestrum developers.",
        1: FAMILY,
        2: "Regular",
        3: VERSION + ";KSTR;" + POSTSCRIPT,
        4: FAMILY + " Regular",
        5: "Version " + VERSION,
        6: POSTSCRIPT,
        9: designer,
        10: "Bengali glyphs for 8-bit Bijoy-layout glyph codes, made from an OFL Bengali font.",
        13: licence,
        14: licence_url,
    }
    for name_id, text in entries.items():
        if text:
            name.setName(text, name_id, 3, 1, 0x409)
            name.setName(text, name_id, 1, 0, 0)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--noto", required=True)
    parser.add_argument("--latin", required=True)
    parser.add_argument("--table", required=True)
    parser.add_argument("--spellings", required=True)
    parser.add_argument("--output", required=True)
    parser.add_argument("--hb-shape", default="hb-shape", help="HarfBuzz's hb-shape program")
    parser.add_argument("--verbose", action="store_true")
    build(parser.parse_args())


if __name__ == "__main__":
    main()
