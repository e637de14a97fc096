#!/usr/bin/env bash
# End to end, on the X server xvfb-run gives: Kestrum installed into a staging folder, the Fcitx5
# daemon with that addon on a private session bus, and a Qt 6 program with one text field using
# Fcitx5's Qt frontend. Real key events go to the field; afterwards it holds the Bengali, in
# Unicode and in SutonnyMJ glyph codes, as kestrum-convert gives them for the same keys.
# Usage: e2e_fcitx5_qt.sh BUILD_DIR ADDON_DIR PROBE KESTRUM_CONVERT DATA_DIR (ADDON_DIR relative)
set -euo pipefail
build=$(realpath "$1")
addondir=$2
probe=$3
convert=$4
data=$5
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
for tool in fcitx5 dbus-daemon dbus-send xdotool; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
[[ -e /usr/lib/x86_64-linux-gnu/qt6/plugins/platforminputcontexts/libfcitx5platforminputcontextplugin.so ]] ||
    { echo "skipped: Fcitx5's Qt 6 frontend is not installed"; exit 77; }

cmake --install "$build" --prefix "$work/stage" >/dev/null
eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 |
    { read -r address; read -r pid; echo "export DBUS_SESSION_BUS_ADDRESS='$address'; bus=$pid"; })"
pids+=("$bus")
export FCITX_ADDON_DIRS=$work/stage/$addondir:/usr/lib/x86_64-linux-gnu/fcitx5
export XDG_DATA_DIRS=$work/stage/share:/usr/share
export XDG_DATA_HOME=$work/data-home HOME=$work/home
mkdir -p "$HOME"
export QT_IM_MODULE=fcitx QT_QPA_PLATFORM=xcb

failures=0
line='AmI bAnglAy gAn gAI.'
for output in Unicode SutonnyMJ; do
    export XDG_CONFIG_HOME=$work/config-$output
    mkdir -p "$XDG_CONFIG_HOME/fcitx5/conf"
    printf '[Groups/0]\nName=Default\nDefault Layout=us\nDefaultIM=kestrum\n\n[Groups/0/Items/0]\nName=kestrum\nLayout=\n\n[GroupOrder]\n0=Default\n' \
        >"$XDG_CONFIG_HOME/fcitx5/profile"
    printf '[Behavior]\nActiveByDefault=True\n' >"$XDG_CONFIG_HOME/fcitx5/config"
    printf 'Output=%s\nSwapCase=False\n' "$output" >"$XDG_CONFIG_HOME/fcitx5/conf/kestrum.conf"
    fcitx5 -r >"$work/fcitx5-$output.log" 2>&1 &
    fcitx=$!
    pids+=("$fcitx")
    for _ in $(seq 100); do
        dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
            org.freedesktop.DBus.NameHasOwner string:org.fcitx.Fcitx5 2>/dev/null |
            grep -q 'boolean true' && break
        sleep 0.1
    done
    field=$work/field-$output.txt
    "$probe" "$field" &
    pids+=("$!")
    window=$(xdotool search --sync --name kestrum-ime-probe | head -n 1)
    xdotool windowfocus --sync "$window"
    sleep 0.5
    xdotool type --delay 30 "$line"
    # The last word is written by the full stop; Space, passed on, ends the line.
    xdotool key --delay 30 space
    sleep 1
    if [[ $output == Unicode ]]; then
        expected="$(printf '%s' "$line" | "$convert" --tables "$data" --to unicode) "
    else
        expected="$(printf '%s' "$line" | "$convert" --tables "$data" | iconv -f WINDOWS-1252 -t UTF-8) "
    fi
    got=$(cat "$field" 2>/dev/null || true)
    if [[ $got == "$expected" ]]; then
        echo "ok: $output: the field holds \"$got\""
    else
        echo "FAILED: $output: the field holds \"$got\", expected \"$expected\""
        cat "$work/fcitx5-$output.log"
        failures=$((failures + 1))
    fi
    kill "$fcitx" "${pids[-1]}" 2>/dev/null || true
    wait "$fcitx" 2>/dev/null || true
done
exit $((failures > 0))
