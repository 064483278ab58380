#!/usr/bin/env bash
# Ferrule against the small test engine: the test host loads the plug-in from a host's
# engines folder and drives the engine through it. The Windows build runs under Wine; the
# same cases run on the native build too, so that a fault of the Windows layer stands out
# from one of the shared code.
# Usage: test_engine_suite.sh CASE wine CROSS_BIN_DIR WINE_PREFIX
#        test_engine_suite.sh CASE native BIN_DIR
#   prefix   (wine) creates the Wine prefix the other cases share, once per test run
#   finish   (wine) ends the prefix's Wine server, so that nothing outlives the run
#   others   see the case list below
set -euo pipefail
case_name=$1 platform=$2 bin=$3
if [ "$platform" = wine ]; then
    export WINEPREFIX=$4 WINEDEBUG=-all
    # No display: Wine then draws no windows, and a message box returns at once.
    unset DISPLAY WAYLAND_DISPLAY
fi

if [ "$case_name" = prefix ]; then
    rm -rf "$WINEPREFIX"
    # Without Mono and Gecko, which no case needs and whose installers would be offered.
    WINEDLLOVERRIDES="mscoree,mshtml=" timeout 300 wineboot -i >/dev/null 2>&1
    timeout 120 wineserver -w
    [ -f "$WINEPREFIX/system.reg" ] || { echo "FAIL: no Wine prefix made"; exit 1; }
    echo "PASS: Wine prefix ready"
    exit 0
fi
if [ "$case_name" = finish ]; then
    wineserver -k 2>/dev/null || true
    exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A host folder as a user lays it out: the host (and on Windows Quill32.dll), the plug-in
# in "Engines" under the engine's name, the engine in the folder of the same name. The
# folder has a blank in its name, as installation folders often do.
hostFolder="$work/Chess Host"
engines="$hostFolder/Engines"
mkdir -p "$engines/knight"
if [ "$platform" = wine ]; then
    exe=.exe
    cp "$bin/ferrule-host.exe" "$bin/Quill32.dll" "$hostFolder/"
    hostProgram=(wine "$hostFolder/ferrule-host.exe")
    pluginPath() { printf 'Z:%s' "$1" | tr / '\\'; }
else
    exe=
    hostProgram=("$bin/ferrule-host")
    pluginPath() { printf '%s' "$1"; }
fi
cp "$bin/Ferrule.eng" "$engines/knight.eng"
cp "$bin/ferrule-test-engine$exe" "$engines/knight/knight$exe"
plugin=$(pluginPath "$engines/knight.eng")
log="$engines/knight/logfile.text"
configure() { printf '%s\n' "$@" > "$engines/knight/knight.init"; }

fail() { echo "FAIL ($case_name): $*"; echo "--- host output"; cat "$work/out"; if [ -f "$log" ]; then echo "--- log"; cat "$log"; fi; exit 1; }
# The host runs its arguments as commands, or without arguments the lines of its input.
host() { timeout 120 "${hostProgram[@]}" "$plugin" "$@" > "$work/out" 2>&1 || fail "ferrule-host exited with $?"; tr -d '\r' < "$work/out" > "$work/out.unix"; mv "$work/out.unix" "$work/out"; }
secondsSince() { echo $(( $(date +%s) - $1 )); }
expect() { grep -Eq "$1" "$work/out" || fail "no host line matching '$1'"; }
refuse() { if grep -Eq "$1" "$work/out"; then fail "unexpected host line matching '$1'"; fi; }
sent() { tr -d '\r' < "$log" | grep -Fxq -- "-> $1" || fail "the engine was not sent '$1'"; }
notSent() { if tr -d '\r' < "$log" | grep -Fxq -- "-> $1"; then fail "the engine was sent '$1'"; fi; }
# The commands in the order they were sent, one per line, for order checks.
# Status requests (".") may fall anywhere while a search waits, so they are left out.
sentInOrder() { tr -d '\r' < "$log" | sed -n 's/^-> //p' | grep -vFx . | tr '\n' '|'; }
searchesEnded() { [ "$(grep -c '^search ended' "$work/out")" -eq "$1" ] || fail "expected $1 finished searches"; }
legalLines() { expect '^329 mainline .*legal=yes'; refuse 'legal=no'; refuse 'best=none'; }
nothingLeft() { tail -1 "$work/out" | grep -q '^processes 0$' || fail "a process outlived Eng2"; }

case $case_name in
open-close)
    configure "[Parameter]" "Engine="
    host open open status names close close open close processes
    [ "$(grep -E '^open ' "$work/out" | tr '\n' ' ')" = "open 0 open 1 open 0 " ] || fail "open results"
    [ "$(grep -Eo '^close [0-9]' "$work/out" | tr '\n' ' ')" = "close 1 close 0 close 1 " ] || fail "close results"
    expect '^status searching=0 connected=1$'
    expect '^names author=Quillon GmbH engine=knight$'
    nothingLeft
    configure "[Parameter]" "Author=Ann Example" "Engine=Test Knight"
    host open names close
    expect '^names author=Ann Example engine=Test Knight$'
    ;;
names-and-logo)
    # Any case on the way in; the names keep the case of the files. The logo is a real GDI
    # bitmap in the file's own size, and a failed load is tried again on the next call.
    mv "$engines" "$hostFolder/ENGINES"
    engines="$hostFolder/ENGINES"
    mv "$engines/knight.eng" "$engines/Knight.ENG"
    mv "$engines/knight" "$engines/Knight"
    mv "$engines/Knight/knight$exe" "$engines/Knight/Knight$exe"
    plugin=$(pluginPath "$engines/Knight.ENG")
    log="$engines/Knight/logfile.text"
    printf '%s\n' "[Parameter]" "Logfile=true" > "$engines/Knight/Knight.init"
    printf 'BM\x4e\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\4\0\0\0\2\0\0\0\1\0\x18\0\0\0\0\0\x18\0\0\0' > "$work/logo.bmp"
    printf '\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' >> "$work/logo.bmp"
    head -c 24 /dev/zero | tr '\0' '\377' >> "$work/logo.bmp"
    head -c 40 "$work/logo.bmp" > "$engines/Knight/Knight.bmp"
    host logo names open "search start depth 1" wait close
    expect '^logo none$'
    expect '^names author=Quillon GmbH engine=Knight$'
    expect '^open 0$'
    searchesEnded 1
    [ -f "$log" ] || fail "no log beside the engine"
    cp "$work/logo.bmp" "$engines/Knight/Knight.bmp"
    host logo logo
    # Only a Windows host can tell the bitmap's size.
    loaded='^logo loaded$'
    [ "$platform" = native ] || loaded='^logo loaded 4x2$'
    [ "$(grep -cE "$loaded" "$work/out")" -eq 2 ] || fail "the logo was not loaded (as a 4x2 bitmap)"
    ;;
console)
    # "Debug" asks for an echo console. The host here has a console already, so the library
    # makes none (a screen buffer of its own there would hide the host's output): the
    # dialogue must run the same without.
    configure "[Parameter]" "Debug=true" "Engine=Console Knight"
    host open "search start moves e2e4 inc 10 0" wait close processes
    searchesEnded 1
    legalLines
    nothingLeft
    ;;
reader-stack)
    # The reader thread runs the line reading, the move reader and the host's handler: it is
    # made with a first commit of 32 KiB inside the usual reservation (a host that paints
    # from its handler needs more than 32 KiB in all), and a long search with bursts of long
    # thinking lines uses well under 32 KiB of it. The use is measured (the host paints the
    # stack below its handler and looks how far the paint is gone).
    configure "[Parameter]" "CommandLine=--chatty" "Logfile=true"
    host open "search start moves e2e4 inc 60 0" wait threads close processes
    searchesEnded 1
    legalLines
    nothingLeft
    mainLines=$(grep -c '^329 mainline' "$work/out")
    [ "$mainLines" -ge 200 ] || fail "only $mainLines main lines reached the host"
    reader=$(grep -E '^thread plugin-created=yes stack-request=32768 reservation=no .*codes=([0-9]+,)*329' "$work/out") ||
        fail "no main line came from a thread made with a 32 KiB first commit"
    reserve=$(echo "$reader" | grep -o 'reserve=[0-9]*' | cut -d= -f2)
    [ "$reserve" -gt 32768 ] || fail "the reader thread's whole stack is $reserve bytes"
    deepest=${reader##*deepest=}
    # Half the reservation: room for a host's handler heavier than this one.
    [ "$deepest" -gt 0 ] && [ "$deepest" -lt 16384 ] || fail "the reader thread used $deepest bytes of stack"
    echo "reader thread: $reader"
    ;;
start-failure)
    # The message box names the failure in the system's words, with the plug-in's name.
    rm "$engines/knight/knight.exe"
    WINEDEBUG=-all,+relay host open status close
    expect '^open 9$'
    expect '^status searching=0 connected=0$'
    expect '^close 0 '
    expect 'user32\.MessageBoxA\(00000000,[0-9a-f]+ "File not found\.",[0-9a-f]+ "knight\.eng",00000000\)'
    ;;
timed)
    configure "[Parameter]" "Logfile=true"
    host open "search start moves e2e4 inc 30 2" wait "search start moves e2e4 e7e5 period 40 20 10 3" wait \
        processes close processes
    searchesEnded 2
    legalLines
    expect '^330 search-start'
    expect '^332 depth [1-9]'
    expect '^processes 1$'
    nothingLeft
    order=$(sentInOrder)
    case $order in
    "xboard|protover 2|zelta|new|level 0 0:30 2|time 3000|hard|easy|force|e2e4|post|black|go|"*) ;;
    *) fail "commands of the timed search: $order" ;;
    esac
    sent "level 23 0:50 0"
    sent "time 4000"
    notSent "?"
    # Fixed depth 3: the first line of depth 4 stops the search.
    host open "search start depth 3" wait close
    searchesEnded 1
    legalLines
    sent "?"
    expect '^332 depth 4'
    refuse '^332 depth 5'
    ;;
board)
    configure "[Support]" "CastleAndEP=true" "[Parameter]" "Logfile=true"
    host open "search fen r3k2r/pppq1ppp/8/3pP3/8/8/PPPQ1PPP/R3K2R w Kq d6 0 1 inc 30 0" wait \
        "search fen r3k2r/8/8/8/4Pp2/8/8/R3K2R b KQk e3 0 1 inc 30 0" wait close processes
    searchesEnded 2
    legalLines
    nothingLeft
    for line in edit "#" Ra1 Ke1 Pe5 Rh1 c Pd5 Ra8 Ke8 Qd7 . "castle +w00" "castle -w000" "castle -b00" \
        "castle +b000" "ep d6" "ep e3" "castle -b000" a2a3 "Pe4" "Pf4"; do
        sent "$line"
    done
    order=$(sentInOrder)
    case $order in
    *"|new|time 3000|force|a2a3|edit|#|"*) ;;
    *) fail "Black to move must start with force and a2a3 (and the same level is not sent again): $order" ;;
    esac
    ;;
stop)
    configure "[Parameter]" "Logfile=true"
    host open "search start moves d2d4 infinite" "sleep 1500" stop wait status close processes
    searchesEnded 1
    legalLines
    expect '^stop sent'
    expect '^status searching=0 connected=1$'
    nothingLeft
    sent "level 10 30000:0 0"
    sent "time 180000000"
    sent "?"
    ;;
ponder)
    configure "[Support]" "PonderMode=true" "[Parameter]" "Logfile=true"
    host open "search start moves e2e4 e7e5 inc 60 0 ponder" "sleep 800" ponderhit wait \
        "search start moves e2e4 e7e5 g1f3 b8c6 infinite ponder" "sleep 800" stop wait close processes
    searchesEnded 2
    legalLines
    expect '^ponderhit sent'
    nothingLeft
    order=$(sentInOrder)
    case $order in
    *"|hard|force|e2e4|post|black|ponder e7e5|e7e5|easy|"*) ;;
    *) fail "ponder and ponder hit: $order" ;;
    esac
    case $order in
    *"|force|e2e4|e7e5|g1f3|post|black|ponder b8c6|b8c6|easy|?|"*) ;;
    *) fail "ponder then stop: $order" ;;
    esac
    ;;
uci)
    # The test engine as a UCI engine: names, options, timed, depth, board, stopped and
    # pondering searches, each with the commands it needs and legal main lines.
    configure "[Support]" "PonderMode=true" "[Parameter]" "Logfile=true" "Protocol=uci" \
        "CommandLine=--uci" "[Options]" "Hash=4"
    host open "search start moves e2e4 inc 6 1" wait names \
        "search fen 4k3/8/8/8/8/8/4P3/4K3 b - - 0 1 depth 2" wait \
        "search start moves d2d4 infinite" "sleep 1000" stop wait \
        "search start moves e2e4 e7e5 inc 60 0 ponder" "sleep 1000" ponderhit wait \
        "search start moves e2e4 e7e5 g1f3 b8c6 inc 60 0 ponder" "sleep 1000" stop wait \
        close processes
    searchesEnded 5
    legalLines
    expect '^names author=The Ferrule tests engine=Ferrule Test Engine$'
    nothingLeft
    tr -d '\r' < "$log" | grep -v '^info' > "$work/sent"
    for command in "uci" "setoption name Hash value 4" "isready" "ucinewgame" \
        "position startpos moves e2e4" "go wtime 6000 btime 6000 winc 1000 binc 1000" \
        "position fen 4k3/8/8/8/8/8/4P3/4K3 b - - 0 1" "go depth 2" "go infinite" "stop" \
        "position startpos moves e2e4 e7e5 g1f3 b8c6" "go ponder wtime 60000 btime 60000 winc 0 binc 0" \
        "ponderhit" "quit"; do
        # Not through sent(): with the engine's long output, its early match would end the
        # pipe that feeds it.
        grep -Fxq -- "-> $command" "$work/sent" || fail "the engine was not sent '$command'"
    done
    ;;
auto)
    # Protocol=auto finds the test engine xboard as it is, and UCI with --uci.
    configure "[Parameter]" "Logfile=true" "Protocol=auto"
    host open "search start moves e2e4 depth 2" wait close processes
    searchesEnded 1
    legalLines
    nothingLeft
    tr -d '\r' < "$log" | grep -q '^Protocol: xboard ' || fail "not found to be xboard"
    sent "xboard"
    configure "[Parameter]" "Logfile=true" "Protocol=auto" "CommandLine=--uci"
    host open "search start moves e2e4 depth 2" wait close processes
    searchesEnded 1
    legalLines
    nothingLeft
    tr -d '\r' < "$log" | grep -q '^Protocol: uci ' || fail "not found to be UCI"
    notSent "xboard"
    ;;
analysis)
    configure "[Support]" "AnalyzeMode=true" "[Parameter]" "Logfile=true"
    host open "search start moves e2e4 infinite" "sleep 1500" stop wait close processes
    searchesEnded 1
    legalLines
    nothingLeft
    sent analyze
    sent exit
    notSent "?"
    notSent "go"
    ;;
unload-open)
    # The host unloads the plug-in with a connection still open, without Eng2: nothing may
    # wait while the library is unloaded (on Windows that is inside the loader's lock, which
    # the reader thread needs to end), and the reader keeps the library loaded under itself.
    configure "[Parameter]"
    host open "search start moves e2e4 inc 30 0" wait unload "sleep 1500"
    searchesEnded 1
    took=$(grep -o '^unloaded elapsed-ms=[0-9]*' "$work/out" | cut -d= -f2)
    [ -n "$took" ] || fail "the plug-in was not unloaded"
    # Generous: it tells a hang from a slow machine.
    [ "$took" -lt 2000 ] || fail "unloading took $took ms"
    ;;
killed)
    configure "[Parameter]"
    # Afterwards no connection is open, a search ends at once without a move, and the next
    # Eng1 opens afresh.
    host open "search start moves e2e4 e7e5 infinite" "sleep 1000" kill-engine wait \
        "search start depth 3" wait status open "search start depth 3" wait close processes
    after=$(grep -m1 -o 'after-kill-ms=[0-9]*' "$work/out" | cut -d= -f2)
    [ -n "$after" ] || fail "the search did not end after the kill"
    # Generous: it tells a hang from a slow machine.
    [ "$after" -lt 5000 ] || fail "the search took $after ms to end after the kill"
    expect '^status searching=0 connected=0$'
    [ "$(grep -cE '^search ended .* best=none' "$work/out")" -eq 1 ] || fail "the search after the kill found a move"
    [ "$(grep -c '^open 0$' "$work/out")" -eq 2 ] || fail "no fresh connection after the kill"
    grep '^search ended' "$work/out" | tail -1 | grep -q 'best=[a-h][1-8]' || fail "the fresh connection found no move"
    expect '^close 1 '
    nothingLeft
    ;;
stubborn)
    # An engine that stays on after "quit" and the end of its input is ended by force: Eng2
    # returns in bounded time and leaves no process.
    configure "[Parameter]" "CommandLine=--ignore-quit"
    started=$(date +%s)
    host open "search start depth 2" wait close processes
    took=$(secondsSince "$started")
    searchesEnded 1
    expect '^close 1 '
    nothingLeft
    [ "$took" -lt 20 ] || fail "closing a stubborn engine took $took s"
    ;;
ignores-stop)
    # An engine that thinks on after "?" cannot hold a search the host has stopped: once the
    # stop has gone unanswered for five seconds the engine is ended, Eng9 returns, and Eng5
    # says no connection is open.
    configure "[Parameter]" "Logfile=true" "CommandLine=--ignore-stop"
    started=$(date +%s)
    host open "search start moves d2d4 infinite" "sleep 1500" stop wait status close processes
    took=$(secondsSince "$started")
    searchesEnded 1
    expect '^stop sent'
    expect '^status searching=0 connected=0$'
    sent "?"
    nothingLeft
    # Generous: it tells a hang from a slow machine.
    [ "$took" -lt 30 ] || fail "a stop the engine ignored held the host for $took s"
    ;;
deaf)
    # An engine that reads nothing: once its input pipe is full, every write gives up after
    # its bound instead of holding the host's thread, the search ends, Eng2 ends the engine.
    configure "[Parameter]" "CommandLine=--deaf"
    shuffle=$(for _ in $(seq 128); do printf ' g1f3 g8f6 f3g1 f6g8'; done)
    started=$(date +%s)
    # More resets than any pipe holds (64 KiB on Linux, 4 KiB under Wine).
    { echo open; echo "search start moves$shuffle infinite"; for _ in $(seq 12000); do echo reset; done
      echo wait; echo status; echo close; echo processes; } | host
    took=$(secondsSince "$started")
    searchesEnded 1
    # An engine that takes no more commands is no connection any more.
    expect '^status searching=0 connected=0$'
    expect '^close 1 '
    nothingLeft
    # The engine would end by itself after 30 s.
    [ "$took" -lt 20 ] || fail "a deaf engine held the host for $took s"
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
echo "PASS ($case_name)"
