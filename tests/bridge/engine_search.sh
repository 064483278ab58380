#!/usr/bin/env bash
# Runs real searches through ferrule-host against one Debian engine and checks what the
# host is told. Usage: engine_search.sh BIN_DIR NAME ENGINE_EXECUTABLE [INIT_LINE...]
set -euo pipefail
bin=$1 name=$2 engine=$3
shift 3
. "$(dirname "$0")/needs_engines.sh" "$engine" "$@"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Host/Engines/$name"
# The host loads a copy named after the engine, as it would from its engines folder.
cp "$bin/Ferrule.eng" "$work/Host/Engines/$name.eng"
ln -s "$engine" "$work/Host/Engines/$name/$name"
printf '%s\n' "[Parameter]" "Logfile=true" "$@" > "$work/Host/Engines/$name/$name.init"

fail() { echo "FAIL ($name): $*"; echo "--- host output"; cat "$work/out"; exit 1; }
host() { timeout 120 "$bin/ferrule-host" "$work/Host/Engines/$name.eng" "$@" > "$work/out" 2>&1 ||
         fail "ferrule-host exited with $?"; }
expect() { grep -Eq "$1" "$work/out" || fail "no line matching '$1'"; }
refuse() { if grep -Eq "$1" "$work/out"; then fail "unexpected line matching '$1'"; fi; }
checkSearches() {
    expect '^330 search-start'
    expect '^332 depth [1-9]'
    expect '^329 mainline .*legal=yes'
    refuse 'legal=no'
    refuse 'best=none'
    [ "$(grep -c '^search ended' "$work/out")" -eq "$1" ] || fail "expected $1 finished searches"
}

# Start position with fixed depth, then timed modes from the start and from a board.
host open "search start moves e2e4 depth 5" wait \
    "search fen r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3 inc 6 1" wait \
    "search start moves d2d4 d7d5 period 20 40" wait processes close processes
checkSearches 3
expect '^processes [1-9]$'
expect '^close 1 '
tail -1 "$work/out" | grep -q '^processes 0$' || fail "an engine process outlived Eng2"

# Unlimited search stopped from a second thread (from moves: phalanx sometimes drops
# an "edit" that follows "new" too closely, and the board path is covered above).
host open "search start moves e2e4 e7e5 g1f3 b8c6 b1c3 g8f6 infinite" "await 333 60000" stop wait close processes
checkSearches 1
expect '^333 nodes [1-9]'
expect '^stop sent'
tail -1 "$work/out" | grep -q '^processes 0$' || fail "an engine process outlived Eng2"
echo "PASS ($name)"
