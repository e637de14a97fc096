#!/usr/bin/env bash
# The checks on an installed (and relocated) Kestrum, run by install_test.sh.
# Usage: installed_checks.sh WORK_DIR BUILD_DIR SOURCE_DIR; WORK_DIR/kestrum is the prefix.
set -euo pipefail
work=$1
build=$2
source=$3
prefix=$work/kestrum
unset LD_LIBRARY_PATH
failures=0
passes=0
pass() { passes=$((passes + 1)); echo "ok: $*"; }
fail() { failures=$((failures + 1)); echo "FAILED: $*"; }
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

if [[ -e $build/CMakeCache.txt || -e $source/CMakeLists.txt ]]; then
    echo "(the build and source folders are still visible)"
else
    pass "the build and source folders are out of reach"
fi

# Every run path of the installed programs and libraries is relative to the file itself.
for file in "$prefix"/bin/* "$prefix"/lib/*.so.*.*; do
    paths=$(readelf -d "$file" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\2/p')
    bad=$(tr ':' '\n' <<<"$paths" | grep -v '^\$ORIGIN' || true)
    check "$(basename "$file") has only relative run paths (${paths:-none})" test -z "$bad"
done

# kestrum-convert finds its tables in ../share/kestrum, and a user's copy before them.
export HOME=$work/home XDG_DATA_HOME=$work/data-home XDG_CONFIG_HOME=$work/config
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
convert=$prefix/bin/kestrum-convert
printf 'AmI bAnglAy gAn gAI.\n' >"$work/sample.txt"
printf 'Avwg evsjvq Mvb MvB|\r\n' >"$work/expected.sutonnymj"
check "kestrum-convert converts the sample with the installed tables" \
    cmp "$work/expected.sutonnymj" <("$convert" "$work/sample.txt")
check "kestrum-convert decodes to Unicode" test "$("$convert" --to unicode "$work/sample.txt")" \
    = "আমি বাংলায় গান গাই।"
mkdir -p "$XDG_DATA_HOME/kestrum"
cp "$prefix"/share/kestrum/*.alpha "$XDG_DATA_HOME/kestrum/"
sed -i 's/^A,Av$/A,AB/' "$XDG_DATA_HOME/kestrum/first.alpha"
edited=$("$convert" --tables "$XDG_DATA_HOME/kestrum" "$work/sample.txt" | od -An -c)
check "the edited copy converts differently" test "$edited" != "$(od -An -c "$work/expected.sutonnymj")"
check "kestrum-convert reads the user's copy in \$XDG_DATA_HOME/kestrum first" \
    test "$("$convert" "$work/sample.txt" | od -An -c)" = "$edited"
rm -rf "$XDG_DATA_HOME/kestrum"

# The window program, under an X server of its own, with a fresh registry and data home.
check "kestrum starts, shows its main window and ends by File > Exit" \
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash -c '
        set -u
        prefix=$1 registry=$2
        export KESTRUM_COMPONENT_REGISTRY=$registry QT_QPA_PLATFORM=xcb
        "$prefix/bin/kestrum" >"$registry.log" 2>&1 &
        pid=$!
        window=
        for _ in $(seq 300); do
            kill -0 $pid 2>/dev/null || { echo "kestrum ended during start-up"; cat "$registry.log"; exit 1; }
            for w in $(xdotool search --onlyvisible --name "^Kestrum\$" 2>/dev/null); do
                # The splash window has the title too, but is a dialog.
                xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q DIALOG || window=$w
            done
            [[ -n $window ]] && break
            sleep 0.2
        done
        [[ -n $window ]] || { echo "no main window"; kill $pid; exit 1; }
        xdotool windowfocus "$window"
        xdotool mousemove --window "$window" 20 60
        sleep 0.5
        xdotool key alt+f
        sleep 0.5
        xdotool key x
        for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
        if kill -0 $pid 2>/dev/null; then echo "kestrum did not end"; kill $pid; exit 1; fi
        wait $pid' _ "$prefix" "$work/registry.conf"
registered=$(sed -n 's/^InprocServer=//p' "$work/registry.conf" 2>/dev/null || true)
check "first start registered the installed libGlimmet3.so ($registered)" \
    test -n "$registered" -a "$(realpath -m "$registered")" = \
    "$(realpath "$prefix/lib/libGlimmet3.so")"

# Another project's host, built against the installed CMake package only.
check "a host builds against find_package(Glimmet3)" bash -c '
    cmake -S "$1/host-src" -B "$1/host-build" -DCMAKE_PREFIX_PATH="$1/kestrum" \
        -DCMAKE_CXX_FLAGS="${KESTRUM_HOST_CXX_FLAGS:-}" >"$1/host.log" 2>&1 &&
    cmake --build "$1/host-build" >>"$1/host.log" 2>&1 || { cat "$1/host.log"; exit 1; }' \
    _ "$work"
host_output=$(QT_QPA_PLATFORM=offscreen KESTRUM_COMPONENT_REGISTRY=$work/host.conf \
    "$work/host-build/glimmet_host" 2>&1 || true)
check "the host creates a Glimmet by GlimmetLib.Glimmet and reads its Caption" \
    test "$host_output" = "$(printf 'Caption: Glimmet1\nCaption: Written by the host')"
[[ $host_output == "$(printf 'Caption: Glimmet1\nCaption: Written by the host')" ]] ||
    echo "$host_output"

# The desktop files.
check "desktop-file-validate passes" desktop-file-validate "$prefix"/share/applications/*.desktop
check "appstreamcli validate --no-net passes" \
    appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml
id=$(basename "$prefix"/share/applications/*.desktop .desktop)
check "the metainfo names the licences (MIT, the font's OFL)" \
    grep -q "<project_license>MIT AND OFL-1.1</project_license>" \
    "$prefix/share/metainfo/$id.metainfo.xml"
check "the metainfo launches the desktop entry" \
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
    "$prefix/share/metainfo/$id.metainfo.xml"
for size in 16 22 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x$size/apps/$id.png
    # The PNG signature, then the IHDR chunk's width and height (big-endian, 32 bits each).
    header=$(od -An -tx1 -N24 "$png" | tr -d ' \n')
    check "the ${size}x$size icon is a PNG of that size" test "${header:0:16}" = 89504e470d0a1a0a \
        -a "$((16#${header:32:8}))x$((16#${header:40:8}))" = "${size}x$size"
done
check "the scalable icon is there" test -s "$prefix/share/icons/hicolor/scalable/apps/$id.svg"

# The man page names the options kestrum-convert has, and no others.
options() { grep -o -- '--[a-z][a-z-]*' | sort -u; }
check "kestrum-convert.1 documents the options of kestrum-convert --help" \
    cmp <("$convert" --help | options) \
        <(zcat "$prefix/share/man/man1/kestrum-convert.1.gz" | sed 's/\\-/-/g' | options)

echo "$passes passed, $failures failed"
((failures == 0))
