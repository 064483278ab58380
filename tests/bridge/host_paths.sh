#!/usr/bin/env bash
# A host in its install folder that loads the plug-in by a relative name, with and without
# "./"; then a host whose standard error, the plug-in's console, nobody reads any more.
# Usage: host_paths.sh BIN_DIR SCRIPTED_ENGINE
set -uo pipefail
bin=$(cd "$1" && pwd) engine=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Host/engines/knight"
cp "$bin/Ferrule.eng" "$work/Host/engines/knight.eng"
ln -s "$engine" "$work/Host/engines/knight/knight"
fail() { echo "FAIL: $*"; cat "$work/out"; exit 1; }
cd "$work/Host"

for library in ./engines/knight.eng engines/knight.eng; do
    timeout 60 "$bin/ferrule-host" "$library" open "search start moves e2e4 depth 3" wait close \
        > "$work/out" 2>&1 || fail "ferrule-host exited with $? for $library"
    grep -q '^open 0$' "$work/out" || fail "$library did not open"
    grep -q '^search ended .* best=e7e5$' "$work/out" || fail "no move from $library"
done

# The host's standard error is a pipe whose reader has gone: the engine's echo (Debug)
# and the failure message must not end the host with SIGPIPE. The host waits a little
# first, so that the reader has surely gone before anything is written.
printf '%s\n' "[Parameter]" "Debug=true" "Engine=Knight" > engines/knight/knight.init
timeout 60 "$bin/ferrule-host" engines/knight.eng "sleep 300" open "search start moves e2e4 depth 3" \
    wait close 2>&1 > "$work/out" | true
status=${PIPESTATUS[0]}
[ "$status" -eq 0 ] || fail "the host ended with $status while echoing to a closed console"
grep -q '^close 1 ' "$work/out" || fail "the connection did not close"
rm engines/knight/knight
timeout 60 "$bin/ferrule-host" engines/knight.eng "sleep 300" open 2>&1 > "$work/out" | true
status=${PIPESTATUS[0]}
[ "$status" -eq 0 ] || fail "the host ended with $status on the failure message"
grep -q '^open 9$' "$work/out" || fail "a missing engine did not give 9"
echo "PASS"
