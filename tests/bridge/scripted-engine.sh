#!/bin/sh
# A stand-in engine: writes every command it is sent to commands.log in its working
# folder, and answers "go" with one thinking line and its move.
while IFS= read -r line; do
    printf '%s\n' "$line" >> commands.log
    case "$line" in
    go) printf '1 12 0 100 e7e5\nmove e7e5\n' ;;
    quit) exit 0 ;;
    esac
done
