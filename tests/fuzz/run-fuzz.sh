#!/bin/sh
# Builds the fuzz targets with clang in their own build directory and runs
# the SNTP reply fuzzer for the given number of seconds (default 60).
#   tests/fuzz/run-fuzz.sh [seconds [libFuzzer options...]]
# e.g. run-fuzz.sh 300 -fork=1 -ignore_crashes=1 to carry on past a finding.
# ORVANE_FUZZ_BUILD chooses the build directory (default build/fuzz).
set -eu

seconds=${1:-60}
[ $# -gt 0 ] && shift
repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${ORVANE_FUZZ_BUILD:-$repo/build/fuzz}
jobs=${ORVANE_FUZZ_JOBS:-2}

cmake -S "$repo" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
if ! cmake --build "$build" -j"$jobs" --target sntp_reply_fuzz; then
    echo "run-fuzz.sh: could not build sntp_reply_fuzz (is libFuzzer installed?)" >&2
    exit 1
fi

corpus=$build/corpus/sntp_reply
artifacts=$build/artifacts
mkdir -p "$corpus" "$artifacts"

# Seeds: a good reply, a leap-3 reply, a short datagram and a TIME word.
# Layout: sent timestamp (8), T4 (8), zone selector (1), datagram.
sent='\356\300\000\000\200\000\000\000'
t4='\356\300\000\001\000\000\000\000'
reply_head='\044\002\006\354\000\000\000\020\000\000\000\040\177\000\000\001'
ref='\356\277\377\000\000\000\000\000'
rxtx='\356\300\000\000\300\000\000\000'
printf "$sent$t4\070$reply_head$ref$sent$rxtx$rxtx" >"$corpus/seed-good"
printf "$sent$t4\000\344\002\006\354\000\000\000\020\000\000\000\040\177\000\000\001$ref$sent$rxtx$rxtx" \
    >"$corpus/seed-leap3"
printf "$sent$t4\001\044\002\006" >"$corpus/seed-short"
printf "$sent$t4\104\301\377\352\200" >"$corpus/seed-time-word"

"$build/tests/fuzz/sntp_reply_fuzz" "$corpus" -max_total_time="$seconds" -max_len=256 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 "$@"
