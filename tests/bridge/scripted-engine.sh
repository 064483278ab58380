#!/bin/sh
# A stand-in engine for the driver's tests. It writes its process id to engine.pid and
# every command it is sent to commands.log, both in its working folder. Its first
# argument picks how it behaves:
#   (none)      answers "go" with one thinking line and its move
#   bare        answers "go" with its move alone
#   thinker     thinks on "go", "ponder" and "analyze"; moves only when told "?"
#   no-analyze  a thinker that does not know "analyze" (and thinks on after saying so)
#   stubborn    thinks on "go", ignores "?", "quit" and SIGTERM, ends 3 s after its
#               input closes
#   deaf        thinks on "go" and then reads nothing more
#   silent      as (none), but says nothing to "protover 2", where the others answer that
#               they do not know it: both are protocol version 1 engines
#   stale-status  answers "go" with nothing, and the status request "." with the depth of
#               an earlier search (9), a thinking line and its move
#   v2          as (none), a protocol version 2 engine: announces its features (the last
#               ones after "done=0") and answers "ping N" with a move left over from an
#               earlier search, then "pong N"
#   v2          ... and answers "uci" with an error line, as xboard engines do
# UCI modes answer "uci" with "id" lines, an option and "uciok", and "isready" with
# "readyok":
#   uci         answers a timed or fixed-depth "go" with every form of "info" line and
#               "bestmove"; "go infinite" and "go ponder" with one "info" line, and "stop"
#               with "bestmove"
#   uci-mute    never says "uciok"
#   uci-unready never says "readyok"
#   uci-dies    ends in the middle of its first search
#   uci-flood   answers "go" with 20000 "info" lines and one longer than any line buffer
#   uci-no-bestmove  never answers "stop"
mode=${1:-plain}
if [ "$mode" = stubborn ]; then
    trap '' TERM
fi
echo $$ > engine.pid
case $mode in
uci*)
    # Every form of line a UCI engine prints for one search: a free-text string, a root
    # move, a second multipv line, a bound, unknown fields, a mate score, and the last
    # main line before the move.
    answer() {
        printf 'info string depth 40 score cp 999 pv a7a6\n'
        printf 'info depth 5 seldepth 7 multipv 1 score cp 12 nodes 5000 nps 1000 tbhits 0 time 3 pv e7e5\n'
        printf 'info depth 6 currmove e7e5 currmovenumber 1\n'
        printf 'info depth 6 currmove b8c6 currmovenumber 2\n'
        printf 'info depth 6 multipv 2 score cp -50 nodes 6000 pv a7a6\n'
        printf 'info depth 6 score cp 30 lowerbound nodes 7000 pv d7d5\n'
        printf 'info depth 7 seldepth 9 multipv 1 score mate 2 wdl 1000 0 0 nodes 8000 hashfull 5 time 1500 pv e7e5 g1f3 b8c6\n'
        printf 'info depth 7 nodes 9000 unknownfield 1 2 3\n'
        printf 'bestmove e7e5 ponder g1f3\n'
    }
    while IFS= read -r line; do
        printf '%s\n' "$line" >> commands.log
        case "$line" in
        uci)
            printf 'Scripted UCI engine\nid name Scripted Uci\nid author Test Author\n'
            printf 'option name Hash type spin default 16 min 1 max 64\n'
            [ "$mode" = uci-mute ] || printf 'uciok\n'
            ;;
        isready) [ "$mode" = uci-unready ] || printf 'readyok\n' ;;
        'go infinite'*) printf 'info depth 5 score cp 20 nodes 100 pv e7e5 g1f3\n' ;;
        'go ponder'*) printf 'info depth 5 score cp 20 nodes 100 pv g1f3 b8c6\n' ;;
        go*)
            case $mode in
            uci-dies) printf 'info depth 5 score cp 20 nodes 100 pv e7e5\n'; exit 0 ;;
            uci-no-bestmove) printf 'info depth 5 score cp 20 nodes 100 pv e7e5\n' ;;
            uci-flood)
                yes 'info depth 9 seldepth 12 score cp 31 nodes 123456 nps 100000 time 40 pv e7e5 g1f3 b8c6 f1b5 a7a6' | head -n 20000
                head -c 6000 /dev/zero | tr '\0' 'x'
                printf '\nbestmove e7e5\n'
                ;;
            *) answer ;;
            esac
            ;;
        ponderhit) printf 'info depth 6 score cp 25 nodes 200 pv g1f3 b8c6\n' ;;
        stop) [ "$mode" = uci-no-bestmove ] || printf 'bestmove e7e5 ponder g1f3\n' ;;
        quit) exit 0 ;;
        esac
    done
    exit 0
    ;;
esac
while IFS= read -r line; do
    printf '%s\n' "$line" >> commands.log
    case "$line" in
    'protover 2')
        case $mode in
        silent) ;;
        v2)
            printf 'feature done=0 myname="Scripted Two" setboard=1 ping=1 usermove=1\n'
            printf 'feature san=1 colors=0 sigint=1 sigterm=0 variants="normal,suicide" done=1\n'
            ;;
        *) printf 'Error (unknown command): protover\n' ;;
        esac
        ;;
    uci) [ "$mode" = v2 ] && printf 'Error (unknown command): uci\n' ;;
    ping*) sleep 0.3; printf 'move a7a6\npong %s\n' "${line#ping }" ;;
    go)
        if [ "$mode" = stale-status ]; then
            :
        elif [ "$mode" = plain ] || [ "$mode" = silent ] || [ "$mode" = v2 ]; then
            printf '1 12 0 100 e7e5\nmove e7e5\n'
        elif [ "$mode" = bare ]; then
            printf 'move e7e5\n'
        else
            printf '3 25 10 1000 e7e5 g1f3\n'
        fi
        if [ "$mode" = deaf ]; then
            exec sleep 60
        fi
        ;;
    .) [ "$mode" = stale-status ] && printf 'stat01: 1 4402 9 47 48\n1 12 0 100 e7e5\nmove e7e5\n' ;;
    ponder*) printf '3 25 10 1000 g1f3\n' ;;
    analyze)
        if [ "$mode" = no-analyze ]; then
            printf 'Error (unknown command): analyze\n3 25 10 1000 e7e5 g1f3\n'
        else
            printf '3 25 10 1000 e7e5 g1f3\n'
        fi
        ;;
    '?') [ "$mode" = stubborn ] || printf 'move e7e5\n' ;;
    quit) [ "$mode" = stubborn ] || exit 0 ;;
    esac
done
if [ "$mode" = stubborn ]; then
    sleep 3
fi
