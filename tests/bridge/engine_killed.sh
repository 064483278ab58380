#!/usr/bin/env bash
# Kills the engine in the middle of an unlimited search: the search must end promptly
# (the bound is generous: it tells a hang from a slow machine) and nothing may be left.
# Afterwards the host is told no connection is open, a search ends at once, and the next
# Eng1 opens a fresh connection whose search finds a move.
# The search starts from moves, not a board: phalanx now and then dies on an "edit" that
# follows "new" too closely, which would end the search before the kill.
# Usage: engine_killed.sh BIN_DIR NAME ENGINE_EXECUTABLE [INIT_LINE...]
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

timeout 60 "$bin/ferrule-host" "$work/engines/$name.eng" open "search start moves e2e4 e7e5 g1f3 b8c6 infinite" \
    "await 332 30000" kill-engine wait "search start depth 3" wait status open \
    "search start moves e2e4 depth 3" wait close processes \
    > "$work/out" 2>&1 || { echo "FAIL: ferrule-host exited with $?"; cat "$work/out"; exit 1; }
cat "$work/out" | grep -v '^33[123] '
after=$(grep -m1 -o 'after-kill-ms=[0-9]*' "$work/out" | cut -d= -f2)
[ -n "$after" ] || { echo "FAIL: the search did not end after the kill"; exit 1; }
[ "$after" -lt 5000 ] || { echo "FAIL: the search took $after ms to end after the kill"; exit 1; }
grep -q '^status searching=0 connected=0$' "$work/out" || { echo "FAIL: status"; exit 1; }
[ "$(grep -c '^search ended elapsed-ms=[0-9]* best=none$' "$work/out")" -eq 1 ] ||
    { echo "FAIL: the search after the kill did not end at once without a move"; exit 1; }
[ "$(grep -c '^open 0$' "$work/out")" -eq 2 ] || { echo "FAIL: no fresh connection"; exit 1; }
grep '^search ended' "$work/out" | tail -1 | grep -q 'best=[a-h][1-8]' ||
    { echo "FAIL: the fresh connection found no move"; exit 1; }
tail -1 "$work/out" | grep -q '^processes 0$' || { echo "FAIL: processes left"; exit 1; }
echo "PASS: search ended $after ms after the engine was killed"
