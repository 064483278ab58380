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
mode=${1:-plain}
if [ "$mode" = stubborn ]; then
    trap '' TERM
fi
echo $$ > engine.pid
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
