#!/bin/sh
# The soak run: 300 bids on the practice site, faults switched on at random,
# for 30 minutes (or the minutes given), against the release build.
#   bench/soak.sh [MINUTES]
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build"
[ -x "$build/quorrel" ] || { echo "build first: make build" >&2; exit 1; }
exec xvfb-run -a "$build/bench/soak_bench" "$build/quorrel" "${1:-30}" 300
