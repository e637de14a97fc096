#!/usr/bin/env python3
"""Encodes Unicode Bengali words into SutonnyMJ glyph bytes, independently of Kestrum's tables.

Writes the expected bytes of the word tests in words_test.cpp: the words and sentences of
tests/engine/words.tsv and the example word of every key in data/romanisation.tsv.

    python3 tests/engine/encode_sutonnymj.py REFERENCE_DIR            # rewrite the rows
    python3 tests/engine/encode_sutonnymj.py REFERENCE_DIR WORD...    # print the bytes of words

REFERENCE_DIR holds the SutonnyMJ byte map and conjunct list (sutonnymj-map.tsv,
sutonnymj-conjuncts.tsv). The encoding follows their rules: visual order (ি ে ৈ and the left
part of ো ৌ before the cluster, † and ˆ at the start of a word), reph © after the cluster and its
phala signs, conjuncts by their listed spelling (the portable one where the list gives one),
other phala signs by the variant rules, an explicit hasanta & where no glyph exists, and ঁ after
the vowel sign (Unicode order). One deliberate house rule: the vowel signs ু ূ ৃ have one glyph
each (y ~ „), because a table-driven converter writes one glyph per sign; the fused glyphs
গু শু হু রু রূ হৃ stay what the font has.
"""
import pathlib
import re
import sys

HASANTA = "\u09CD"
ZWNJ = "\u200C"
ZWJ = "\u200D"
RA = "র"

VOWELS = {"অ": "A", "আ": "Av", "ই": "B", "ঈ": "C", "উ": "D", "ঊ": "E", "ঋ": "F", "এ": "G",
          "ঐ": "H", "ও": "I", "ঔ": "J"}
MARKS = {"ং": "s", "ঃ": "t", "ঁ": "u", "ৎ": "r"}
PRE_SIGNS = {"ি", "ে", "ৈ"}
POST_SIGNS = {"া": "v", "ী": "x", "ু": "y", "ূ": "~", "ৃ": "\u201E"}
FUSED = {("গ", "ু"): "¸", ("শ", "ু"): "ï", ("হ", "ু"): "û", ("র", "ু"): "i\u201C",
         ("র", "ূ"): "iƒ", ("হ", "ৃ"): "ü"}
# Consonants whose stem ends at the right baseline (the phala variant rules use them).
BASELINE_RIGHT = set("খগঘণথদধনপবমযরলশষসহয়")
HALF_FORMS = set("¤®¯š›˜™”•")
HALF = {"স": "¯", "ষ": "®", "ম": "¤"}


def compose(text):
    """ড় ঢ় য় as single letters (NFC would split them: they are composition exclusions)."""
    for pair, single in (("\u09A1\u09BC", "\u09DC"), ("\u09A2\u09BC", "\u09DD"),
                         ("\u09AF\u09BC", "\u09DF")):
        text = text.replace(pair, single)
    return text


def cp1252(text):
    return text.encode("cp1252")


class Encoder:
    def __init__(self, reference):
        ref = pathlib.Path(reference)
        self.letters = {}
        for line in (ref / "sutonnymj-map.tsv").read_text(encoding="utf-8").splitlines()[1:]:
            f = line.split("\t")
            if f[5] == "consonant" or f[5].startswith("consonant (khanda"):
                self.letters[f[3]] = bytes([int(f[0], 16)]).decode("cp1252")
        self.conjuncts = {}
        for line in (ref / "sutonnymj-conjuncts.tsv").read_text(encoding="utf-8").splitlines()[1:]:
            f = line.split("\t")
            if "(zwnj)" in f[2] or f[0].startswith(RA + HASANTA):
                continue  # written with an explicit hasanta, or a reph: both are built here
            spelling = f[10] if f[10] else f[4]
            self.conjuncts[compose(f[0])] = bytes(
                int(h, 16) for h in spelling.split()).decode("cp1252")
        # Single-glyph conjuncts of the byte map that the conjunct list does not name (গ্দ),
        # leaving out the bytes the two font generations read differently.
        for line in (ref / "sutonnymj-map.tsv").read_text(encoding="utf-8").splitlines()[1:]:
            f = line.split("\t")
            if f[5] == "conjunct" and int(f[0], 16) not in (0xE6, 0xF8, 0xCD, 0xFF, 0xB9):
                self.conjuncts.setdefault(compose(f[3]), bytes([int(f[0], 16)]).decode("cp1252"))

    def phala(self, base, last, second):
        """The glyph of the phala `second` after a written consonant part `base`."""
        half = base[-1] in HALF_FORMS
        if second == "য":
            return "¨"
        if second == "র":
            return "Ö" if last in "পগ" else "«" if last == "ফ" else "ª"
        if second == "ন":
            return "œ"
        if second == "ণ":
            return "è"  # the ṇa-phala, as in ক্ষ্ণ ¶è and ণ্ণ Yè
        if second == "ম":
            return "§" if half else "¥"
        if second == "ব":
            if half or last in "সষমনদ":
                return "^"
            return "¦" if last in "শগপ" else "Ÿ" if last in "ধবহ" else "¡"
        if second == "ল":
            return "¬" if half or last not in BASELINE_RIGHT else "\u00AD"
        return None

    def cluster(self, consonants):
        """Spells consonants joined by hasanta."""
        out, i, run_end = "", 0, len(consonants)
        while i < run_end:
            for j in range(run_end, i + 1, -1):
                key = HASANTA.join(consonants[i:j])
                if key in self.conjuncts:
                    out += self.conjuncts[key]
                    i = j
                    break
            else:
                c = consonants[i]
                out += self.letters[c]
                i += 1
            # A following consonant with no conjunct spelling: a phala sign or a hasanta.
            while i < run_end:
                sign = self.phala(out, consonants[i - 1], consonants[i])
                if sign is None:
                    break
                out += sign
                i += 1
            if i < run_end:
                # A consonant with a half form of one shape joins the next letter through it
                # (স্স ¯m); any other pair is written with the visible hasanta.
                if out[-1:] == self.letters.get(consonants[i - 1]) and consonants[i - 1] in HALF:
                    out = out[:-1] + HALF[consonants[i - 1]]
                else:
                    out += "&"
        return out

    def encode(self, word):
        word = compose(word)
        out, i, first = "", 0, True
        while i < len(word):
            ch = word[i]
            if ch in VOWELS:
                out += VOWELS[ch]
                i += 1
                if word[i:i + 2] == HASANTA + "য":  # অ্যা, এ্যা
                    out += "¨"
                    i += 2
                    if word[i:i + 1] == "া":
                        out += "v"
                        i += 1
            elif ch in MARKS:
                out += MARKS[ch]
                i += 1
            elif ch in self.letters:
                i, syllable = self.syllable(word, i, first)
                out += syllable
            else:
                raise ValueError(f"cannot encode {ch!r} (U+{ord(ch):04X}) in {word}")
            first = False
        return out

    def syllable(self, word, i, at_start):
        reph = False
        if word[i] == RA and word[i + 1:i + 2] == HASANTA and word[i + 2:i + 3] in self.letters:
            reph, i = True, i + 2
        consonants = [word[i]]
        i += 1
        ya_after_ra = False
        while True:
            if word[i:i + 3] == ZWJ + HASANTA + "য" and consonants[-1] == RA:
                ya_after_ra, i = True, i + 3
                continue
            if word[i:i + 1] == HASANTA and word[i + 1:i + 2] in self.letters:
                consonants.append(word[i + 1])
                i += 2
                continue
            break
        sign = word[i] if i < len(word) and (word[i] in PRE_SIGNS or word[i] in POST_SIGNS
                                              or word[i] in "োৌ") else ""
        i += len(sign)
        hasanta = ""
        if word[i:i + 1] == HASANTA:
            hasanta = "&"
            i += 1
            if word[i:i + 1] == ZWNJ:
                i += 1
        fused = FUSED.get((consonants[0], sign)) if len(consonants) == 1 and not ya_after_ra else None
        if fused:
            body, sign = fused, ""
        else:
            body = self.cluster(consonants)
        if ya_after_ra:
            body += "¨"
        if reph:
            body += "©"
        e_kar = "†" if at_start else "‡"
        if sign == "ি":
            return i, "w" + body + hasanta
        if sign == "ে":
            return i, e_kar + body + hasanta
        if sign == "ৈ":
            return i, ("ˆ" if at_start else "‰") + body + hasanta
        if sign == "ো":
            return i, e_kar + body + "v" + hasanta
        if sign == "ৌ":
            return i, e_kar + body + "Š" + hasanta
        return i, body + POST_SIGNS.get(sign, "") + hasanta


def cpp_bytes(data):
    return '"' + "".join(f"\\x{b:02X}" for b in data) + '"'


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    encoder = Encoder(sys.argv[1])
    if len(sys.argv) > 2:
        for word in sys.argv[2:]:
            print(word, encode_text(encoder, word))
        return
    here = pathlib.Path(__file__).resolve().parent
    test = here / "words_test.cpp"
    text = test.read_text(encoding="utf-8")
    text = replace_rows(text, "words", word_rows(encoder, here / "words.tsv", 0, 1, 2))
    text = replace_rows(text, "key examples",
                        word_rows(encoder, here.parent.parent / "data" / "romanisation.tsv", 5, 6, 2))
    test.write_text(text, encoding="utf-8")


def encode_text(encoder, text):
    """Encodes a text: Bengali words, Bengali digits as digits, the dari as |, the rest as is."""
    text = text.translate({0x09E6 + d: ord("0") + d for d in range(10)}).replace("।", "|")
    return "".join(encoder.encode(m) if re.match(r"[\u0980-\u09FF]", m) else m
                   for m in re.findall(r"[\u0980-\u09FF\u200C\u200D]+|.", text))


def word_rows(encoder, source, bengali_col, typed_col, note_col):
    rows = []
    lines = source.read_text(encoding="utf-8").splitlines()
    for line in lines:
        f = line.split("\t")
        if not line or line.startswith("#") or len(f) <= typed_col or f[typed_col] == "typed":
            continue
        bengali, typed, note = f[bengali_col], f[typed_col], f[note_col] if len(f) > note_col else ""
        if source.name == "romanisation.tsv":
            note = f"key {f[2]} ({f[0]})"
        data = cp1252(encode_text(encoder, bengali))
        rows.append(f'    {{"{bengali}", "{typed}", {cpp_bytes(data)}, "{note}"}},')
    return rows


def replace_rows(text, name, rows):
    begin, end = f"    // {name}: begin (generated)\n", f"    // {name}: end\n"
    head, rest = text.split(begin)
    tail = rest.split(end)[1]
    print(f"{name}: {len(rows)} rows")
    return head + begin + "\n".join(rows) + "\n" + end + tail

if __name__ == "__main__":
    main()
