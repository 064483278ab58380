#!/usr/bin/env bash
# Refreshes apt's package indexes, tolerating a mirror that is out of step for a moment
# ("File has unexpected size ... Mirror sync in progress?"): the update is tried a few times
# with a pause, and if an index still cannot be fetched, apt goes on with the indexes that
# did arrive. Only a package that then cannot be installed is an error, and the caller
# reports it. Usage: apt-update.sh [sudo]
set -uo pipefail
sudo=${1:-}
attempts=3
for attempt in $(seq 1 $attempts); do
  $sudo apt-get update -qq && exit 0
  if [ "$attempt" -lt $attempts ]; then
    echo "apt-get update failed (attempt $attempt of $attempts); trying again in 10 s" >&2
    sleep 10
  fi
done
echo "WARNING: some package indexes could not be fetched; going on with those that arrived" >&2
exit 0
