#!/usr/bin/env bash
# Builds the Debian package with CPack, checks its control fields and file list with dpkg-deb
# and the whole package with lintian, unpacks it into a temporary root and runs kestrum-convert
# from there.
# Usage: package_test.sh BUILD_DIR VERSION GLIMMET_VERSION APP_ID SOURCE_DIR
set -euo pipefail
build=$(realpath "$1")
version=$2
glimmet_version=$3
id=$4
source=$(realpath "$5")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passes=0
pass() { passes=$((passes + 1)); echo "ok: $*"; }
fail() { failures=$((failures + 1)); echo "FAILED: $*"; }
check() {
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

deb=$build/kestrum_${version}_amd64.deb
rm -f "$deb"
# Run from elsewhere: the package still lands in the build folder.
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -G DEB >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; exit 1; }
check "cpack wrote $(basename "$deb") into the build folder" test -s "$deb"
check "nothing was left in the folder cpack ran in" test -z "$(ls -A "$work" | grep -v cpack.log)"
# cpack -B puts the package (and its staging folder) into the folder it names instead.
rm -f "$deb"
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; exit 1; }
check "cpack -B DIR wrote the package into DIR" test -s "$work/out/$(basename "$deb")"
check "and not into the build folder" test ! -e "$deb"
deb=$work/out/$(basename "$deb")

# lintian finds no error in the package (its warnings are shown).
if lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1; then
    pass "lintian reports no errors"
else
    fail "lintian reports errors"
fi
grep -v '^running with root privileges' "$work/lintian.log" || true

field() { dpkg-deb -f "$deb" "$1"; }
check "Package: kestrum" test "$(field Package)" = kestrum
check "Version: $version" test "$(field Version)" = "$version"
check "Architecture: amd64" test "$(field Architecture)" = amd64
check "Section: text" test "$(field Section)" = text
check "a Maintainer with an address" bash -c '[[ $1 =~ ^[^\<]+\ \<[^@]+@[^\>]+\>$ ]]' _ \
    "$(field Maintainer)"
check "a summary and a long description" test "$(field Description | wc -l)" -gt 3
depends=$(field Depends)
for needed in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6 libx11-6 qt6-qpa-plugins; do
    check "Depends names $needed" grep -qxF "$needed" <(tr ',' '\n' <<<"$depends" |
        sed 's/^ *//; s/ .*//')
done
check "Depends does not name the package's own libraries" \
    bash -c '! grep -q kestrum <<<"$1"' _ "$depends"

dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./||; s|/$||' >"$work/files"
for file in usr/bin/kestrum usr/bin/kestrum-convert usr/bin/regcontrol \
    usr/lib/libGlimmet3.so "usr/lib/libGlimmet3.so.$glimmet_version" \
    "usr/lib/libGlimmet3.so.${glimmet_version%%.*}" usr/lib/libkestrum_runtime.so.1 \
    usr/lib/libkestrum_widgets.so.1 \
    usr/lib/cmake/Glimmet3/Glimmet3Config.cmake usr/lib/cmake/Glimmet3/Glimmet3ConfigVersion.cmake \
    usr/include/Glimmet3/glimmetlib.h usr/include/Glimmet3/runtime/loader.h \
    usr/share/kestrum/first.alpha usr/share/kestrum/next.alpha usr/share/kestrum/connect.alpha \
    usr/share/kestrum/joint.alpha usr/share/kestrum/sutonnymj.tsv \
    usr/share/kestrum/fonts/KestrumBangla-Regular.ttf usr/share/kestrum/fonts/OFL.txt \
    "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml" \
    "usr/share/icons/hicolor/scalable/apps/$id.svg" "usr/share/icons/hicolor/16x16/apps/$id.png" \
    "usr/share/icons/hicolor/256x256/apps/$id.png" usr/share/man/man1/kestrum.1.gz \
    usr/share/man/man1/kestrum-convert.1.gz usr/share/doc/kestrum/README.md \
    usr/share/doc/kestrum/OFL.txt usr/share/doc/kestrum/copyright \
    usr/share/doc/kestrum/changelog.gz; do
    check "the package holds /$file" grep -qx "$file" "$work/files"
done
check "everything lies under /usr" test -z "$(grep -v '^usr\(/\|$\)' "$work/files" | grep -v '^\.\?$')"
check "no table files beside the programs" test -z "$(grep '^usr/bin/.*\.alpha$' "$work/files")"

root=$work/root
dpkg-deb -x "$deb" "$root"
check "kestrum-convert --version runs from the unpacked package" \
    test "$(env -u LD_LIBRARY_PATH "$root/usr/bin/kestrum-convert" --version)" = \
    "kestrum-convert $version"
check "and converts with the tables it brings" test "$(printf 'AmI\n' |
    XDG_DATA_HOME=$work/data-home "$root/usr/bin/kestrum-convert" | od -An -c | tr -s ' ')" \
    = " A v w g \r \n"
check "the unpacked programs find their libraries in the package" \
    bash -c '! ldd "$1/usr/bin/kestrum" | grep -q "not found" &&
        ldd "$1/usr/bin/kestrum" | grep -q "libkestrum_runtime.so.1 => $1/usr/bin/../lib/" &&
        ldd "$1/usr/bin/kestrum" | grep -q "libkestrum_widgets.so.1 => $1/usr/bin/../lib/"' \
    _ "$root"

# The input methods, each in a package of its own that needs kestrum and its framework.
for im in fcitx5 ibus; do
    imdeb=$work/out/${im}-kestrum_${version}_amd64.deb
    [[ $im == ibus ]] && imdeb=$work/out/ibus-kestrum_${version}_amd64.deb
    [[ -e $imdeb ]] || { echo "note: no $(basename "$imdeb") (its framework's files are missing)"; continue; }
    imdepends=$(dpkg-deb -f "$imdeb" Depends)
    check "$(basename "$imdeb") needs kestrum $version and $im" \
        bash -c 'grep -qF "kestrum (= $2)" <<<"$1" && grep -qE "(^|, )$3(,|$)" <<<"$1"' _ \
        "$imdepends" "$version" "$im"
    check "lintian reports no errors in $(basename "$imdeb")" lintian --fail-on error "$imdeb"
    dpkg-deb -c "$imdeb" | awk '{ print $6 }' | sed 's|^\./||' >"$work/$im-files"
    if [[ $im == fcitx5 ]]; then
        wanted="usr/lib/x86_64-linux-gnu/fcitx5/libkestrum.so usr/share/fcitx5/addon/kestrum.conf
            usr/share/fcitx5/inputmethod/kestrum.conf usr/share/metainfo/$id.fcitx5.metainfo.xml"
    else
        wanted="usr/libexec/ibus-engine-kestrum usr/share/ibus/component/kestrum.xml
            usr/share/metainfo/$id.ibus.metainfo.xml"
    fi
    for file in $wanted usr/share/doc/$im-kestrum/copyright; do
        check "$(basename "$imdeb") holds /$file" grep -qx "$file" "$work/$im-files"
    done
    check "kestrum does not hold them" bash -c '! grep -q "fcitx5\|ibus" "$1"' _ "$work/files"
    dpkg-deb -x "$imdeb" "$root"
done
check "the IBus component names the installed engine" \
    grep -qF '<exec>/usr/libexec/ibus-engine-kestrum --ibus</exec>' "$root/usr/share/ibus/component/kestrum.xml"

check "the man page names the folder the package installs the tables to" \
    grep -qF 'cp /usr/share/kestrum/*.alpha' <(zcat "$root/usr/share/man/man1/kestrum.1.gz")

# The copyright file in Debian's machine-readable format: Kestrum under the MIT licence (the text
# of the tree's LICENSE), the font under the OFL with the notices of the fonts it is made from.
copyright=$root/usr/share/doc/kestrum/copyright
check "the copyright file is machine-readable" grep -qx \
    'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$copyright"
# paragraph FIELD VALUE: the paragraph of the copyright file that begins "FIELD: VALUE"
paragraph() { awk -v RS= -v want="$1: $2" '{ split($0, line, "\n") } line[1] == want' "$copyright"; }
check "Files: * are under the MIT licence" \
    bash -c 'grep -qx "License: MIT" <<<"$1"' _ "$(paragraph Files '*')"
check "the MIT licence's text is LICENSE's" cmp <(paragraph License MIT | sed '1d; s/^ //; s/^\.$//') \
    "$source/LICENSE"
font=$(paragraph Files '*/KestrumBangla-Regular.ttf')
check "Kestrum Bangla is under the OFL" grep -qx "License: OFL-1.1" <<<"$font"
check "with Noto's notice" grep -q "Copyright: 2017 Google Inc. All Rights Reserved." <<<"$font"
check "the OFL's text is there" \
    bash -c 'grep -q "SIL OPEN FONT LICENSE" <<<"$1"' _ "$(paragraph License OFL-1.1)"

echo "$passes passed, $failures failed"
((failures == 0))
