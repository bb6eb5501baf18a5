#!/usr/bin/env bash
# Makes the README's screenshot from the real program: Padora on the demo set under a virtual X server,
# two pads clicked so that they play (on the null audio output), the window captured a moment later.
# Usage: scripts/screenshot.sh [build dir (build)] [output PNG (docs/padora-main.png)]
# Needs xvfb-run, xdotool and ffmpeg (all installed by scripts/install-deps.sh).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
out=${2:-$top/docs/padora-main.png}
case $out in /*) ;; *) out=$PWD/$out ;; esac

# Run the rest inside a private virtual X server of its own.
if [ -z "${PADORA_SCREENSHOT_DISPLAY:-}" ]; then
    exec env PADORA_SCREENSHOT_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$out"
fi

padora=$build/bin/padora
layout=$build/bin/padora-dialog-layout
main_dialog=5001           # the main window's dialog resource
pads_to_click=(6603 6602) # "3" (the looping chord that fades in) and "2" (the MIDI fanfare)
play_seconds=1.3 # the TIME column has counted a second, and every sound still plays

work=$(mktemp -d)
pid=
cleanup() {
    local rc=$?
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    exit "$rc"
}
trap cleanup EXIT
mkdir -m 700 "$work/run"
# The set is copied so that the program's settings file lands in the scratch folder, not in examples/.
cp -r "$top/examples/demo.pdg" "$top/examples/sounds" "$work/"
export XDG_RUNTIME_DIR=$work/run PADORA_AUDIO=null QT_QPA_PLATFORM=xcb

(cd "$work" && exec "$padora" demo.pdg) &
pid=$!
win=$(timeout 20 xdotool search --sync --onlyvisible --pid "$pid" --name '^Padora$' | head -n 1)
[ -n "$win" ] || { echo "screenshot: the main window did not appear" >&2; exit 1; }
sleep 0.5

# Controls sit in the client area, which fills the window below the menu bar.
eval "$(xdotool getwindowgeometry --shell "$win")"
read -r _ client_w client_h < <(QT_QPA_PLATFORM=offscreen "$layout" "$main_dialog" | grep '^client ')
top_offset=$((HEIGHT - client_h))
for id in "${pads_to_click[@]}"; do
    read -r _ x y w h < <(QT_QPA_PLATFORM=offscreen "$layout" "$main_dialog" | grep "^$id ")
    xdotool mousemove --window "$win" $((x + w / 2)) $((top_offset + y + h / 2)) click 1
    sleep 0.2
done
xdotool mousemove --window "$win" $((WIDTH - 4)) $((HEIGHT - 4)) # no pad shown under the pointer
sleep "$play_seconds"

mkdir -p "$(dirname "$out")"
ffmpeg -v error -y -f x11grab -draw_mouse 0 -video_size "${WIDTH}x${HEIGHT}" -i "$DISPLAY+$X,$Y" -frames:v 1 -update 1 "$out"
echo "screenshot: wrote $out (${WIDTH}x${HEIGHT}, client ${client_w}x${client_h})"
