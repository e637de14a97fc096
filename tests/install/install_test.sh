#!/usr/bin/env bash
# Installs Kestrum into a temporary prefix, copies the installed tree to another folder and runs
# the checks of installed_checks.sh there, with the build and source folders out of reach (hidden
# under empty file systems in a mount namespace of the test's own where the machine allows one).
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/stage" >/dev/null
# The man page names the folder it was installed to (before the copy moves it).
if ! zcat "$work/stage/share/man/man1/kestrum.1.gz" | grep -qF "cp $work/stage/share/kestrum/*.alpha"; then
    echo "FAILED: kestrum.1 does not name $work/stage/share/kestrum"
    exit 1
fi
# A relocated copy: nothing may point back to where it was installed.
cp -a "$work/stage" "$work/kestrum"
rm -rf "$work/stage"
cp -r "$source/tests/install/host" "$work/host-src"
cp "$source/tests/install/installed_checks.sh" "$work/"

# Root may hide folders in a mount namespace of its own; others may get one in a user namespace.
hide=()
if unshare -m true 2>/dev/null; then
    hide=(unshare -m)
elif unshare -rm true 2>/dev/null; then
    hide=(unshare -rm)
fi
if ((${#hide[@]} > 0)); then
    "${hide[@]}" bash -c 'mount -t tmpfs none "$1" && mount -t tmpfs none "$2" &&
        exec bash "$3/installed_checks.sh" "$3" "$1" "$2"' _ "$build" "$source" "$work"
else
    echo "note: no mount namespace here: the build folder stays visible (the run paths are checked)"
    bash "$work/installed_checks.sh" "$work" "$build" "$source"
fi
