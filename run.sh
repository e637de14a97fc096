#!/usr/bin/env bash
# Installs what is missing, builds, and starts Kestrum.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
kestrum_install_missing

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

if [[ -x build/bin/Kestrum ]]; then
  exec build/bin/Kestrum "$@"
fi
# The window program is not built yet: show the converter at work on a short sample.
echo "The Kestrum window is not built yet; converting a sample with kestrum-convert instead:"
sample='AmI bAnglAy gAn gAI.'
echo "  input : $sample"
printf '%s' "$sample" | build/bin/kestrum-convert | iconv -f WINDOWS-1252 -t UTF-8 | sed 's/^/  output: /'
echo
echo "(the output is SutonnyMJ glyph codes; they read as Bengali in the SutonnyMJ font)"
