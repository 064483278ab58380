#!/usr/bin/env bash
# A host unloads the plug-in right after Eng2 while its handler still sleeps inside a
# notification on the plug-in's reader thread: when the handler returns, the code it returns
# into must still be there, and the host lives on.
# Usage: unload_while_held.sh BIN_DIR SCRIPTED_ENGINE
set -uo pipefail
bin=$(cd "$1" && pwd) engine=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/engines/knight"
cp "$bin/Ferrule.eng" "$work/engines/knight.eng"
ln -s "$engine" "$work/engines/knight/knight"
printf '%s\n' "[Parameter]" "CommandLine=thinker" > "$work/engines/knight/knight.init"
fail() { echo "FAIL: $*"; cat "$work/out"; exit 1; }

timeout 60 "$bin/ferrule-host" "$work/engines/knight.eng" open "hold 329 12000" \
    "search start moves e2e4 infinite" "sleep 1000" close-now unload "sleep 13000" \
    > "$work/out" 2>&1
status=$?
[ "$status" -eq 0 ] || fail "the host ended with $status"
grep -q '^held 329$' "$work/out" || fail "the handler was never held"
grep -q '^unloaded ' "$work/out" || fail "the plug-in was not unloaded"
grep -q '^released 329$' "$work/out" || fail "the handler did not come back"
cat "$work/out"
echo "PASS"
