#!/usr/bin/env bash
# A real window of one program under Xvfb: the wheel zooms its map and a drag pans it, and the
# screenshots show it. The map is first zoomed four notches about a point (the picture there must
# change), far enough that a drag cannot reach its edges, then dragged by (DX, DY): the shot
# after the drag must match the one before it moved by (DX, DY), better than unmoved. Every wait
# is bounded.
#   tests/windows/navigate.sh PROGRAM BINDIR DATADIR      (exit 77: no Xvfb or xdotool here)
set -uo pipefail
program=$1; bin=$(cd "$2" && pwd); data=$(cd "$3" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
for tool in Xvfb xdotool import compare convert python3; do
    command -v $tool >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
DX=40; DY=30
# Slower builds (ThreadSanitizer's) stretch the waits for the program by this factor.
scale=${VARNHOLT_WAIT_SCALE:-1}

work=$(mktemp -d); app=; xvfb=
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL ($program): $*"; exit 1; }

# A display of our own: Xvfb picks a free number and says which once it takes connections, so
# that tests, and other runs of them, never meet on one display. Without -noreset it starts
# afresh each time its last client leaves, and drops a program that connects meanwhile (seen
# after xdotool's check below, on a busy machine).
Xvfb -displayfd 1 -screen 0 1600x1000x24 -nolisten tcp -noreset >"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display") HOME=$work XDG_CONFIG_HOME=$work/config \
       QT_QPA_PLATFORM=xcb
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb did not start"

# WindowNamed PATTERN [SECONDS]: the id of a visible window whose name matches, waiting for it.
WindowNamed() {
    local id
    for _ in $(seq $((${2:-20} * 5 * scale))); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}
# Answers a message box titled like the program, if one shows within the given seconds.
AnswerBox() {
    local id
    id=$(WindowNamed "^$1\$" "$2") || return 0
    xdotool windowfocus --sync "$id" key Return 2>/dev/null || true
    sleep 0.5
}

cd "$work"
case $program in
terrafold)
    python3 "$here/make_tiles.py" "$work/tiles" || fail "no tiles"
    "$bin/terrafold" --gtopo30 "$work/tiles/" --gshhs "$data/gshhs_l.b" & app=$!
    title="^GTOPO30 - Convert" ;;
lumbrel)
    # A height image with something to see in every part: a fractal relief.
    convert -size 1080x540 plasma:fractal -seed 7 -colorspace Gray -depth 8 \
        -define png:color-type=0 topo.png || fail "no height image"
    "$bin/lumbrel" & app=$!
    title="^GTOPO30 - Shade" ;;
strandel)
    "$bin/strandel" "$data/gshhs_l.b" & app=$!
    title="^Strandel" ;;
orbisko)
    "$bin/orbisko" --data "$data/" & app=$!
    # Without a grid it says so twice before the window opens.
    AnswerBox Orbisko 10; AnswerBox Orbisko 5
    title="^Topograhic" ;;
*) fail "unknown program" ;;
esac
window=$(WindowNamed "$title" 30) || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$window")"   # X, Y, WIDTH, HEIGHT
if [ "$program" = terrafold ]; then
    # Refresh, below the picture on the right; the menu bar lies above the client area.
    xdotool mousemove $((X + 550)) $((Y + 410)) click 1
    for _ in $(seq $((600 * scale))); do [ -f topo.png ] && break; sleep 0.1; done
    [ -f topo.png ] || fail "Refresh wrote no topo.png"
    AnswerBox Terrafold 20
fi
[ "$program" = lumbrel ] && AnswerBox Lumbrel 60

# The map area: the middle of the window, clear of menus, buttons and the status bar.
cx=$((X + WIDTH / 2)); cy=$((Y + HEIGHT * 2 / 5))
shot() { import -window root -crop 300x160+$((cx - 150))+$((cy - 80)) +repage "$1"; }
# Root-mean-square difference of two shots, 0 (same) to 1.
rmse() { compare -metric RMSE "$1" "$2" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p'; }
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# A map is drawn a moment after the window shows or the view changes, later on a busy machine.
# settled_shot NEW [OLD]: the shot once the picture differs from OLD's and then holds still
# (each wait at most 20 s).
settled_shot() {
    shot "$1"
    for _ in $(seq $((40 * scale))); do
        [ -z "${2:-}" ] || ! below "$(rmse "$2" "$1")" 0.01 && break
        sleep 0.5
        shot "$1"
    done
    for _ in $(seq 40); do
        sleep 0.5
        shot settled.png
        below "$(rmse "$1" settled.png)" 0.001 && break
        mv settled.png "$1"
    done
}
xdotool mousemove "$cx" "$cy"
settled_shot before.png
for _ in 1 2 3 4; do xdotool click 4; sleep 0.1; done
settled_shot zoomed.png before.png
below "$(rmse before.png zoomed.png)" 0.01 && fail "the wheel changed nothing"

# Left drag pans where the program has no drag of its own; orbisko's left button is its
# rubber band, so it pans with the middle one.
button=1; [ "$program" = orbisko ] && button=2
xdotool mousemove "$cx" "$cy" mousedown $button
for step in 1 2 3 4; do
    xdotool mousemove $((cx + DX * step / 4)) $((cy + DY * step / 4)); sleep 0.1
done
xdotool mouseup $button
settled_shot panned.png zoomed.png

# The panned shot, moved back by the drag, against the zoomed one on their common part.
convert zoomed.png -crop $((300 - DX))x$((160 - DY))+0+0 +repage common-before.png
convert panned.png -crop $((300 - DX))x$((160 - DY))+$DX+$DY +repage common-after.png
convert panned.png -crop $((300 - DX))x$((160 - DY))+0+0 +repage unmoved-after.png
moved=$(rmse common-before.png common-after.png)
unmoved=$(rmse common-before.png unmoved-after.png)
echo "$program: wheel changed the picture; after the drag, difference $moved where it moved" \
     "by ($DX, $DY), $unmoved where it did not"
below "$moved" 0.05 || fail "the drag did not move the map by ($DX, $DY)"
below "$moved" "$unmoved" || fail "the map did not move with the drag"
exit 0
