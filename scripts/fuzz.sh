#!/bin/sh
# Builds the fuzz targets of the file readers with clang's libFuzzer, the address and
# undefined-behaviour sanitizers into ./build-fuzz, and runs each for SECONDS (60 unless
# given) from seeds made of the test fixtures. Fails on any crash, leak, input that takes
# longer than 30 s, or single allocation beyond 1 GB.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]      targets: packet unpacker paradox jetstream
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-packet unpacker paradox jetstream}

scripts/packages.sh --for-fuzzing
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVELMORA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)"

# Seeds: the fixtures of each reader, and what earlier runs found (tests/fixtures/fuzz).
seeds=build-fuzz/seeds
rm -rf "$seeds"
mkdir -p "$seeds/packet" "$seeds/unpacker" "$seeds/paradox" "$seeds/jetstream"
cp tests/fixtures/transfer/*.xml "$seeds/packet/"
cp tests/fixtures/transfer/*.zip "$seeds/unpacker/"
# A Paradox input is the table's length in four bytes, the table, then its memo file.
size=$(stat -c %s tests/fixtures/transfer/pro60.db)
byte() { printf "\\$(printf %03o "$1")"; }
{ byte $((size & 255)); byte $((size >> 8 & 255)); byte $((size >> 16 & 255)); byte 0
  cat tests/fixtures/transfer/pro60.db tests/fixtures/transfer/pro60.mb; } > "$seeds/paradox/pro60"
for target in packet unpacker paradox jetstream; do
    cp tests/fixtures/fuzz/$target/* "$seeds/$target/" 2>/dev/null || true
done

export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=suppressions=$PWD/tests/fuzz/lsan.supp
for target in $targets; do
    corpus=build-fuzz/corpus/$target
    mkdir -p "$corpus"
    echo "== fuzz_$target, $seconds s"
    log=build-fuzz/fuzz_$target.log
    status=0
    build-fuzz/fuzz/fuzz_$target -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 \
        -malloc_limit_mb=1024 -print_final_stats=1 -artifact_prefix=build-fuzz/fuzz_$target- \
        "$corpus" "$seeds/$target" >"$log" 2>&1 || status=$?
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log" >&2
        echo "fuzz_$target failed (status $status); the input is in build-fuzz/fuzz_$target-*" >&2
        exit 1
    fi
done
