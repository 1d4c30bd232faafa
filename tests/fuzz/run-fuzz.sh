#!/bin/sh
# Builds the fuzz targets with clang in their own build directory and runs
# each for the given number of seconds (default 60): the SNTP reply fuzzer,
# the broadcast fuzzer, then the time service's records.
#   tests/fuzz/run-fuzz.sh [seconds [libFuzzer options...]]
# e.g. run-fuzz.sh 300 -fork=1 -ignore_crashes=1 to carry on past a finding.
# ORVANE_FUZZ_BUILD chooses the build directory (default build/fuzz),
# ORVANE_FUZZ_TARGETS the targets (default both).
set -eu

seconds=${1:-60}
[ $# -gt 0 ] && shift
repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${ORVANE_FUZZ_BUILD:-$repo/build/fuzz}
jobs=${ORVANE_FUZZ_JOBS:-2}
targets=${ORVANE_FUZZ_TARGETS:-sntp_reply_fuzz sntp_broadcast_fuzz time_service_messages_fuzz}

cmake -S "$repo" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DORVANE_FUZZING=ON >/dev/null
# shellcheck disable=SC2086
if ! cmake --build "$build" -j"$jobs" --target $targets; then
    echo "run-fuzz.sh: could not build $targets (is libFuzzer installed?)" >&2
    exit 1
fi

artifacts=$build/artifacts
mkdir -p "$artifacts"

# Seeds for the reply fuzzer: a good reply, a leap-3 reply, a short
# datagram and a TIME word.
# Layout: sent timestamp (8), T4 (8), zone selector (1), datagram.
corpus=$build/corpus/sntp_reply
mkdir -p "$corpus"
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

# Seeds for the broadcast fuzzer: a version-4 stratum-9 broadcast from
# 127.0.0.1 (no interfaces), the same from 192.168.1.5 with this PC on
# 192.168.1.7/24 and with the clock refusing, an empty and a short datagram.
# Layout: sender (4), subnet count and refusal (1), subnets (8 each), datagram.
bcorpus=$build/corpus/sntp_broadcast
mkdir -p "$bcorpus"
broadcast='\045\011\006\354\000\000\000\020\000\000\000\040\177\000\000\001'
zero8='\000\000\000\000\000\000\000\000'
printf "\177\000\000\001\000$broadcast$ref$zero8$zero8$rxtx" >"$bcorpus/seed-loopback"
printf "\300\250\001\005\001\300\250\001\007\377\377\377\000$broadcast$ref$zero8$zero8$rxtx" \
    >"$bcorpus/seed-subnet"
printf "\300\250\001\005\201\300\250\001\007\377\377\377\000$broadcast$ref$zero8$zero8$rxtx" \
    >"$bcorpus/seed-refused"
printf "\177\000\000\001\000" >"$bcorpus/seed-empty"
printf "\177\000\000\001\000\045\011" >"$bcorpus/seed-short"

# Seeds for the records: a status request, a broadcast request and an
# update answer, each well formed.
mcorpus=$build/corpus/time_service_messages
mkdir -p "$mcorpus"
python3 - "$mcorpus" <<'PY'
import struct, sys
def record(kind, body):
    return b"ORVT" + struct.pack("<HHI", 1, kind, 12 + len(body)) + body
update = struct.pack("<6i", 1, 0, 1, 3, 4, 8) + bytes(4 + 32) + struct.pack("<I", 1) + bytes(96 + 4 + 4 + 256)
for name, data in (("status", record(3, b"")), ("broadcast", record(2, bytes(56))),
                   ("update", record(0x81, update))):
    open(sys.argv[1] + "/seed-" + name, "wb").write(data)
PY

for target in $targets; do
    case $target in
        sntp_broadcast_fuzz) target_corpus=$bcorpus ;;
        time_service_messages_fuzz) target_corpus=$mcorpus ;;
        *) target_corpus=$corpus ;;
    esac
    echo "run-fuzz.sh: $target for $seconds s"
    "$build/tests/fuzz/$target" "$target_corpus" -max_total_time="$seconds" -max_len=512 \
        -artifact_prefix="$artifacts/$target-" -print_final_stats=1 "$@"
done
