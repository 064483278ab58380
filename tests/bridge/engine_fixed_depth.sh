#!/usr/bin/env bash
# A fixed-depth search from a board with a real engine ends by itself, also with an engine
# that ignores "?" (Fairy-Max): the bound is generous, it tells a hang from a slow machine.
# Usage: engine_fixed_depth.sh BIN_DIR NAME ENGINE_EXECUTABLE DEPTH [INIT_LINE...]
set -euo pipefail
bin=$1 name=$2 engine=$3 depth=$4
shift 4
. "$(dirname "$0")/needs_engines.sh" "$engine" "$@"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/engines/$name"
cp "$bin/Ferrule.eng" "$work/engines/$name.eng"
ln -s "$engine" "$work/engines/$name/$name"
printf '%s\n' "[Parameter]" "$@" > "$work/engines/$name/$name.init"

fen="r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3"
fail() { echo "FAIL ($name): $*"; cat "$work/out"; exit 1; }
# Fairy-Max now and then dies of a segmentation fault of its own while it reads its very
# first line, before it thinks at all; three starts within one second have been seen to
# crash alike. The plug-in then rightly ends the search without a move; that start is
# tried again a second later, up to three times. A search that has begun to think is
# never retried.
for attempt in 1 2 3; do
    timeout 120 "$bin/ferrule-host" "$work/engines/$name.eng" open "search fen $fen depth $depth" wait \
        close processes > "$work/out" 2>&1 || fail "ferrule-host exited with $?"
    grep -q '^332 ' "$work/out" || ! grep -q '^search ended.*best=none' "$work/out" && break
    echo "attempt $attempt: the engine ended before its first thinking line"
    sleep 1.1
done
line=$(grep -m1 '^search ended' "$work/out") || fail "the search did not end"
elapsed=$(echo "$line" | grep -o 'elapsed-ms=[0-9]*' | cut -d= -f2)
[ "$elapsed" -lt 30000 ] || fail "the depth-$depth search took $elapsed ms"
echo "$line" | grep -q 'best=none' && fail "no best move"
grep -q 'legal=no' "$work/out" && fail "an illegal main line"
tail -1 "$work/out" | grep -q '^processes 0$' || fail "processes left"
echo "PASS ($name): depth $depth in $elapsed ms, $line"
