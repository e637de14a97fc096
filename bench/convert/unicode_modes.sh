#!/usr/bin/env bash
# kestrum-convert's conversions through Unicode on large inputs: peak resident memory and
# throughput of --from unicode --to roman and --to sutonnymj on Bengali and on Latin text,
# against the default mode (roman to sutonnymj) on romanised text of the same size.
#
# Writes the inputs into a temporary folder (removed at the end): Bengali words and Latin
# words, a block of lines repeated to about SIZE megabytes, and the Bengali text romanised for the default
# mode. Each run reads a file and writes to /dev/null; /usr/bin/time -v gives the peak.
#
# Usage: bench/convert/unicode_modes.sh [SIZE [PROGRAM]]
#   SIZE: megabytes of each input, default 1024
#   PROGRAM: the kestrum-convert to measure, default this tree's build/bin/kestrum-convert
set -euo pipefail
size=${1:-1024}
root=$(cd "$(dirname "$0")/../.." && pwd)
program=${2:-$root/build/bin/kestrum-convert}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 - "$work" "$size" <<'PY'
import random, sys
work, size = sys.argv[1], int(sys.argv[2]) << 20
random.seed(5)
bengali = ("আমি বাংলায় গান গাই তুমি কলম সূর্য কেন্দ্র বিশ্ব রাষ্ট্র স্কুল মানুষ ভালোবাসা "
           "পৃথিবী আকাশ নদী দেশ ভাষা কথা").split()
letters = "abcdefghijklmnopqrstuvwxyz"
latin = ["".join(random.choice(letters) for _ in range(random.randint(2, 9)))
         for _ in range(5000)]
for name, words, end in (("bengali", bengali, "।\n"), ("latin", latin, ".\n")):
    block = (" ".join(random.choice(words) for _ in range(20000)) + end).encode()
    with open(f"{work}/{name}.txt", "wb") as f:
        for _ in range(max(1, round(size / len(block)))):
            f.write(block)
PY
# The romanised text for the default mode: the Bengali text's first block, repeated.
head -c 4000000 "$work/bengali.txt" | "$program" --tables "$root/data" --from unicode \
  --to roman 2>/dev/null | head -n 20 >"$work/block.roman" || true
while (($(stat -c %s "$work/roman.txt" 2>/dev/null || echo 0) < size << 20)); do
  cat "$work/block.roman" "$work/block.roman" "$work/block.roman" "$work/block.roman" \
    >>"$work/roman.txt"
done
truncate -s $((size << 20)) "$work/roman.txt"

measure() { # measure LABEL FILE ARGS...: peak MB, seconds, MB/s
  local label=$1 file=$2
  shift 2
  /usr/bin/time -v -o "$work/time" "$program" --tables "$root/data" "$@" "$file" \
    >/dev/null 2>"$work/err" || true
  awk -v label="$label" -v mb="$size" -v err="$(stat -c %s "$work/err")" '
    /Maximum resident set size/ { peak = $NF / 1024 }
    /Elapsed \(wall clock\)/ { n = split($NF, t, ":"); s = 0
      for (i = 1; i <= n; ++i) s = s * 60 + t[i] }
    END { printf "%-34s %10.1f %9.1f %9.1f %12d\n", label, peak, s, mb / s, err }' "$work/time"
}
printf "%-34s %10s %9s %9s %12s\n" "${size} MB of" "peak MB" seconds "MB/s" "stderr bytes"
measure "roman, default mode" "$work/roman.txt"
measure "Bengali --from unicode --to roman" "$work/bengali.txt" --from unicode --to roman
measure "Bengali --to sutonnymj" "$work/bengali.txt" --from unicode --to sutonnymj
measure "Latin --from unicode --to roman" "$work/latin.txt" --from unicode --to roman
measure "Latin --to sutonnymj" "$work/latin.txt" --from unicode --to sutonnymj
