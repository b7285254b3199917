#!/usr/bin/env bash
# Screenshots of the four windows for the README: real windows under Xvfb with a window manager.
# Needs xvfb, openbox, xdotool and imagemagick; run after `make demo`.
# Usage: tools/screenshots.sh BINDIR DEMODIR OUTDIR
set -euo pipefail
bin=$(cd "$1" && pwd); demo=$(cd "$2" && pwd); mkdir -p "$3"; out=$(cd "$3" && pwd)
data=$(cd "$(dirname "$0")/../data" && pwd)
export XDG_CONFIG_HOME="$demo/config" DISPLAY=:77
Xvfb :77 -screen 0 1280x800x24 >/dev/null 2>&1 & xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
sleep 1
openbox >/dev/null 2>&1 &
sleep 1
cd "$demo"

# Saves the window whose title starts with $1, frame included, with the pointer over its map
# ($3, $4: where, from the window's top-left) so that the status bar reads the place under it.
grab() {
    local id
    id=$(xdotool search --onlyvisible --name "^$1" | head -1)
    eval "$(xdotool getwindowgeometry --shell "$id")"
    xdotool mousemove $((X + $3)) $((Y + $4))
    sleep 1
    import -window "$id" -frame "$out/$2"
}

"$bin/terrafold" --gtopo30 "$demo/gtopo30/" --gshhs "$data/gshhs_l.b" & app=$!
sleep 3
xdotool search --name "^GTOPO30 - Convert" windowactivate --sync
xdotool key alt+r 2>/dev/null || true
id=$(xdotool search --onlyvisible --name "^GTOPO30 - Convert" | head -1)
eval "$(xdotool getwindowgeometry --shell "$id")"
xdotool mousemove $((X + 550)) $((Y + 388)) click 1   # Refresh
# Its message box says when the images are written (at most a minute, even in a slow build).
for _ in $(seq 120); do xdotool search --onlyvisible --name "^Terrafold$" >/dev/null && break; sleep 0.5; done
xdotool key Return; sleep 1
grab "GTOPO30 - Convert" terrafold-window.png 400 150
kill $app; wait $app 2>/dev/null || true

"$bin/lumbrel" & app=$!
sleep 8; xdotool key Return; sleep 1
grab "GTOPO30 - Shade" lumbrel-window.png 400 220
kill $app; wait $app 2>/dev/null || true

"$bin/strandel" "$data/gshhs_l.b" & app=$!
sleep 4
grab "Strandel" strandel-window.png 300 150
kill $app; wait $app 2>/dev/null || true

"$bin/orbisko" --data "$demo/grid/" & app=$!
sleep 4
grab "Topograhic" orbisko-window.png 480 160
kill $app; wait $app 2>/dev/null || true
