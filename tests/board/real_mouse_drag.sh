#!/bin/sh
# Drags the white pawn from e2 to e4 with the real mouse (xdotool) in a game window on the
# current X display, and passes when the window saw the move. Usage: real_mouse_drag.sh PROGRAM
set -u
program=$1
log=$(mktemp)
trap 'rm -f "$log"' EXIT

"$program" --await-drag >"$log" 2>&1 &
pid=$!

tries=0
until grep -q '^ready' "$log"; do
    tries=$((tries + 1))
    if [ "$tries" -gt 200 ] || ! kill -0 "$pid" 2>/dev/null; then
        echo "the window never came up:"; cat "$log"; kill "$pid" 2>/dev/null; exit 1
    fi
    sleep 0.1
done
set -- $(grep '^ready' "$log")
x1=$2 y1=$3 x2=$4 y2=$5

xdotool mousemove "$x1" "$y1"
sleep 0.3
xdotool mousedown 1
sleep 0.3
# Move in steps, as a hand does, so that the drag sees the pointer travel.
for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove "$x1" $((y1 + (y2 - y1) * step / 8))
    sleep 0.1
done
sleep 0.3
xdotool mouseup 1

wait "$pid"
status=$?
cat "$log"
exit "$status"
