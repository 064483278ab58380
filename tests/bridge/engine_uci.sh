#!/usr/bin/env bash
# Stockfish spoken to directly over UCI through ferrule-host, from a host's engines folder:
# the start position, Kiwipete as a board at depth 8, a board with Black to move, castling
# rights and an en-passant square, timed searches, an unlimited search stopped by Eng3
# (after more than three seconds: Stockfish names its root moves only from then on),
# pondering with and without the ponder hit, and [Options] Hash=16. Every main line is
# played out with the rules library (rvrules) from the requested position, and every score
# must carry the sign the side to move and EvaluationWhite give it.
# Usage: engine_uci.sh BIN_DIR ENGINE_EXECUTABLE
set -euo pipefail
bin=$1 engine=$2
. "$(dirname "$0")/needs_engines.sh" "$engine"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
name=stockfish
mkdir -p "$work/engines/$name"
cp "$bin/Ferrule.eng" "$work/engines/$name.eng"
ln -s "$engine" "$work/engines/$name/$name"
log="$work/engines/$name/logfile.text"
configure() {
    printf '%s\n' "[Support]" "CastleAndEP=true" "PonderMode=true" "$@" "[Parameter]" "Logfile=true" \
        "Protocol=uci" "[Options]" "Hash=16" "Threads=1" > "$work/engines/$name/$name.init"
}
fail() { echo "FAIL: $*"; echo "--- host output"; cat "$work/out"; echo "--- log"; grep -v '^info' "$log"; exit 1; }
host() { timeout 150 "$bin/ferrule-host" "$work/engines/$name.eng" "$@" > "$work/out" 2>&1 ||
         fail "ferrule-host exited with $?"; }

start="rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
kiwipete="r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
# 1. Nf3 d5 2. Ng1 d4 3. e4: Black to move, both sides may castle, dxe3 en passant is legal.
enPassant="rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 3"

# Plays every main line of the host output with the rules library, each from the position of
# the search it belongs to (the FEN and moves of its "search" command, kept in searches.txt).
checkLegal() {
    local n=0 fen moves
    while IFS= read -r line; do
        case $line in
        "search started") n=$((n + 1)) ;;
        "329 mainline "*)
            fen=$(sed -n "${n}p" "$work/searches.txt" | cut -d'|' -f1)
            moves=$(sed -n "${n}p" "$work/searches.txt" | cut -d'|' -f2)
            # shellcheck disable=SC2086
            "$bin/rvrules" fen "$fen" $moves ${line##*moves=} > /dev/null 2> "$work/rules" ||
                fail "search $n: main line not legal: ${line##*moves=} ($(cat "$work/rules"))"
            ;;
        esac
    done < "$work/out"
}

configure
# The position and moves of each search below, in order, as FEN|MOVES.
printf '%s\n' "$start|e2e4" "$kiwipete|" "$enPassant|" "$start|d2d4 d7d5" "$start|e2e4 e7e5 g1f3" \
    "$start|e2e4 e7e5" "$start|e2e4 e7e5 g1f3 b8c6" "$start|e2e4 e7e5 g1f3 b8c6" > "$work/searches.txt"
host open \
    "search start moves e2e4 depth 8" wait names \
    "search fen $kiwipete depth 8" wait \
    "search fen $enPassant depth 6" wait \
    "search start moves d2d4 d7d5 inc 10 1" wait \
    "search start moves e2e4 e7e5 g1f3 period 20 30" wait \
    "search start moves e2e4 e7e5 infinite" "sleep 4000" stop wait \
    "search start moves e2e4 e7e5 g1f3 b8c6 inc 20 1 ponder" "sleep 1000" ponderhit wait \
    "search start moves e2e4 e7e5 g1f3 b8c6 inc 20 1 ponder" "sleep 1000" stop wait \
    close processes

[ "$(grep -c '^search ended' "$work/out")" -eq 8 ] || fail "not every search ended"
if grep -q 'best=none' "$work/out"; then fail "a search ended without a move"; fi
if grep -q 'legal=no' "$work/out"; then fail "the plug-in's core found a main line illegal"; fi
[ "$(awk '/^search started/ {n++; seen[n]=0} /^329 mainline / {seen[n]=1}
          END {for (i = 1; i <= n; i++) s += seen[i]; print s}' "$work/out")" -eq 8 ] ||
    fail "a search reported no main line"
checkLegal
grep -q '^names author=the Stockfish developers.* engine=Stockfish' "$work/out" || fail "names"
grep -q '^332 depth 8 ' "$work/out" || fail "no depth 8 reached"
grep -q '^333 nodes [1-9]' "$work/out" || fail "no node count"
grep -q '^331 move number=[1-9]' "$work/out" || fail "no root move"
for sent in "setoption name Hash value 16" "go depth 8" \
    "position fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1" \
    "position fen rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1" "go wtime 10000 btime 10000 winc 1000 binc 1000" \
    "go wtime 20000 btime 20000 movestogo 30" "go infinite" "stop" "ponderhit" \
    "go ponder wtime 20000 btime 20000 winc 1000 binc 1000" "quit"; do
    sed -n 's/^-> //p' "$log" | grep -Fxq -- "$sent" || fail "not sent: $sent"
done
tail -1 "$work/out" | grep -q '^processes 0$' || fail "an engine process outlived Eng2"
echo "searches:"; grep '^search ended' "$work/out"

# Scores: Black to move and a queen down is lost for the side to move; with EvaluationWhite
# the host gets the same scores from White's side.
queenDown="rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"
for white in false true; do
    configure "EvaluationWhite=$white"
    host open "search fen $queenDown depth 10" wait close
    scores=$(sed -n 's/^329 mainline score=\(-\?[0-9]*\) .*/\1/p' "$work/out")
    [ -n "$scores" ] || fail "no scores"
    for score in $scores; do
        if [ "$white" = false ] && [ "$score" -ge 0 ]; then fail "score $score for the side a queen down"; fi
        if [ "$white" = true ] && [ "$score" -le 0 ]; then fail "score $score from White's side"; fi
    done
    echo "EvaluationWhite=$white: scores $(echo $scores | tr '\n' ' ')"
done
echo "PASS"
