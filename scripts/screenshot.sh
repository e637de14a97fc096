#!/usr/bin/env bash
# Takes the README's screenshots: starts the built Kestrum under Xvfb, types a sentence into the
# input area, converts it, and saves the main window as docs/kestrum.png; then opens the
# substitution table (F1) and saves that as docs/kestrum-table.png.
#   scripts/screenshot.sh [OUTPUT.png [TABLE-OUTPUT.png]]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
kestrum_install_missing imagemagick
output=${1:-docs/kestrum.png}
table_output=${2:-docs/kestrum-table.png}
[[ -x build/bin/Kestrum ]] || { echo "build first: ./run.sh or ./test.sh" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime HOME=$work/home KESTRUM_COMPONENT_REGISTRY=$work/components.conf
mkdir -m 700 "$XDG_RUNTIME_DIR" && mkdir "$HOME"

cat >"$work/shoot.sh" <<'SHOOT'
#!/usr/bin/env bash
set -euo pipefail
build/bin/Kestrum & pid=$!
window=$(xdotool search --sync --onlyvisible --name "^Kestrum$" | head -1)
sleep 1
xdotool type --clearmodifiers --delay 40 "AmI bAnglAy gAn gAI. bAnglA AmAr mAtWRIbhAShA."
xdotool key --clearmodifiers space
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$1"
xdotool key --clearmodifiers F1
sleep 1
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2"
kill "$pid"
SHOOT
chmod +x "$work/shoot.sh"
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$work/shoot.sh" "$(realpath -m "$output")" \
  "$(realpath -m "$table_output")"
echo "saved $output and $table_output"
