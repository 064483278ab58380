#!/usr/bin/env bash
# [Parameter] Protocol=auto against a real engine: the plug-in asks "uci" and must find the
# protocol EXPECTED (xboard or uci); the log line that names it says what the question cost
# at start-up, which is printed. A search then runs when SEARCH is "search" (engines that
# cannot search through the plug-in, see the README, are only asked), and Eng2 leaves no
# process. With EXPECTED "xboard-kept" the configuration says Protocol=xboard instead, and
# "uci" must never be sent.
# Usage: engine_auto.sh BIN_DIR NAME EXPECTED SEARCH ENGINE_EXECUTABLE [INIT_LINE...]
set -euo pipefail
bin=$1 name=$2 expected=$3 searches=$4 engine=$5
shift 5
. "$(dirname "$0")/needs_engines.sh" "$engine" "$@"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/engines/$name"
cp "$bin/Ferrule.eng" "$work/engines/$name.eng"
ln -s "$engine" "$work/engines/$name/$name"
protocol=auto
[ "$expected" = xboard-kept ] && protocol=xboard
printf '%s\n' "[Parameter]" "Logfile=true" "Protocol=$protocol" "$@" > "$work/engines/$name/$name.init"
log="$work/engines/$name/logfile.text"
fail() { echo "FAIL ($name): $*"; echo "--- host output"; cat "$work/out"; echo "--- log"; grep -v '^info' "$log"; exit 1; }

commands=(open)
[ "$searches" = search ] && commands+=("search start moves e2e4 depth 3" wait)
commands+=(names close processes)
started=$(date +%s%N)
timeout 120 "$bin/ferrule-host" "$work/engines/$name.eng" "${commands[@]}" > "$work/out" 2>&1 ||
    fail "ferrule-host exited with $?"
took=$(( ($(date +%s%N) - started) / 1000000 ))
grep -q '^open 0$' "$work/out" || fail "the engine did not start"
if [ "$expected" = xboard-kept ]; then
    if grep -Fxq -- '-> uci' "$log"; then fail "\"uci\" was sent to an xboard engine"; fi
    grep -Fxq -- '-> xboard' "$log" || fail "no xboard dialogue"
    verdict="xboard (kept by the configuration)"
else
    verdict=$(grep -m1 '^Protocol: ' "$log") || fail "no log line names the protocol"
    case $verdict in "Protocol: $expected "*) ;; *) fail "found '$verdict', expected $expected" ;; esac
fi
if [ "$searches" = search ]; then
    grep -q '^329 mainline .*legal=yes' "$work/out" || fail "no legal main line"
    if grep -Eq 'legal=no|best=none' "$work/out"; then fail "a search went wrong"; fi
fi
tail -1 "$work/out" | grep -q '^processes 0$' || fail "an engine process outlived Eng2"
echo "PASS ($name): $verdict; the whole host run took $took ms"
grep '^names\|^search ended' "$work/out"
