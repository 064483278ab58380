# Sourced by the real-engine tests: ends the test as skipped (77) when the engine, or an
# executable named with its full path in the configuration lines, is not installed.
# Usage: . needs_engines.sh ENGINE_EXECUTABLE [INIT_LINE...]
for needed in "$@"; do
    needed=${needed#*=}
    for word in $needed; do
        case $word in
        /*) [ -x "$word" ] || { echo "SKIP: $word is not installed"; exit 77; } ;;
        esac
    done
done
