#!/usr/bin/env bash
# HoiChess reading its commands from a pipe ends (status 1) at the first command it does not
# know, and the dialogue's first line "zelta" is one. The host must live on regardless: the
# search ends at once without a move, Eng5 then says no connection is open, and Eng2 leaves
# no process behind.
# Usage: engine_dies_on_zelta.sh BIN_DIR NAME ENGINE_EXECUTABLE [INIT_LINE...]
set -euo pipefail
bin=$1 name=$2 engine=$3
shift 3
. "$(dirname "$0")/needs_engines.sh" "$engine" "$@"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/engines/$name"
cp "$bin/Ferrule.eng" "$work/engines/$name.eng"
ln -s "$engine" "$work/engines/$name/$name"
printf '%s\n' "[Parameter]" "$@" > "$work/engines/$name/$name.init"
fail() { echo "FAIL ($name): $*"; cat "$work/out"; exit 1; }

timeout 60 "$bin/ferrule-host" "$work/engines/$name.eng" open "sleep 2000" \
    "search start moves e2e4 depth 3" wait status close processes > "$work/out" 2>&1 ||
    fail "ferrule-host exited with $?"
grep -q '^open 0$' "$work/out" || fail "the engine did not start"
grep -q '^search ended .* best=none$' "$work/out" || fail "a search of an ended engine found a move"
grep -q '^status searching=0 connected=0$' "$work/out" || fail "Eng5 still says a connection is open"
tail -1 "$work/out" | grep -q '^processes 0$' || fail "an engine process outlived Eng2"
echo "PASS ($name)"
cat "$work/out"
