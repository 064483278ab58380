#!/usr/bin/env bash
# Real engines through ferrule-host on the positions a host asks about: the start position,
# Kiwipete as a board at fixed depths 3 and 4, a board with Black to move, and an unlimited
# search stopped by Eng3. Every main line the host is told of is checked legal from the
# requested position with the plug-in's own chess core (ferrule-host's legal=yes), and every
# search must end with a move. Version 2 engines get their features answered; the log shows
# which set-up each one was sent.
# Usage: engine_positions.sh BIN_DIR NAME ENGINE_EXECUTABLE [INIT_LINE...]
set -euo pipefail
bin=$1 name=$2 engine=$3
shift 3
. "$(dirname "$0")/needs_engines.sh" "$engine" "$@"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/engines/$name"
cp "$bin/Ferrule.eng" "$work/engines/$name.eng"
ln -s "$engine" "$work/engines/$name/$name"
printf '%s\n' "[Parameter]" "Logfile=true" "$@" > "$work/engines/$name/$name.init"
log="$work/engines/$name/logfile.text"

kiwipete="r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
blackToMove="r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3"
fail() { echo "FAIL ($name): $*"; echo "--- host output"; cat "$work/out"; echo "--- log"; cat "$log"; exit 1; }
# Fairy-Max now and then dies of a fault of its own on its very first line, before it thinks
# at all (see engine_fixed_depth.sh); only such a start is tried again, up to three times.
for attempt in 1 2 3; do
    timeout 150 "$bin/ferrule-host" "$work/engines/$name.eng" open \
        "search start moves e2e4 depth 3" wait \
        "search fen $kiwipete depth 3" wait \
        "search fen $kiwipete depth 4" wait \
        "search fen $blackToMove depth 3" wait \
        "search start moves d2d4 d7d5 c2c4 infinite" "await 329 60000" "sleep 500" stop wait \
        names close processes > "$work/out" 2>&1 || fail "ferrule-host exited with $?"
    grep -q '^332 ' "$work/out" && break
    echo "attempt $attempt: the engine ended before its first thinking line"
    sleep 1.1
done

[ "$(grep -c '^search ended' "$work/out")" -eq 5 ] || fail "not every search ended"
if grep -q 'best=none' "$work/out"; then fail "a search ended without a move"; fi
if grep -q 'legal=no' "$work/out"; then fail "a main line was not legal from the requested position"; fi
# Each search reported at least one main line of its own.
[ "$(awk '/^search started/ {n++; seen[n]=0} /^329 mainline .*legal=yes/ {seen[n]=1}
          END {for (i = 1; i <= n; i++) s += seen[i]; print s}' "$work/out")" -eq 5 ] ||
    fail "a search reported no legal main line"
tail -1 "$work/out" | grep -q '^processes 0$' || fail "an engine process outlived Eng2"
setup=$(grep -c '^-> setboard ' "$log" || true)
echo "PASS ($name): $(grep '^names' "$work/out"), set-ups by setboard: $setup"
grep '^search ended' "$work/out"
