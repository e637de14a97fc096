#!/usr/bin/env bash
# Installs what is missing, builds, and starts Kestrum.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
kestrum_install_missing

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

# Qt warns when this is unset; a private folder of the session's own is what it wants.
if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then
  export XDG_RUNTIME_DIR=$(mktemp -d)
  chmod 700 "$XDG_RUNTIME_DIR"
fi
exec build/bin/Kestrum "$@"
