#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer) into
# build-fuzz/ and runs each for the given number of seconds, one after the other.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     default 600 s, every target
# Corpora grow in build-fuzz/corpus/<target>; crashing or hanging inputs land in
# build-fuzz/artifacts/<target>/. A summary line per target ends each run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_settings fuzz_groupfile fuzz_midi fuzz_wav)
command -v clang++ >/dev/null || { echo "fuzz.sh: needs clang (apt-get install clang)" >&2; exit 1; }

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DPADORA_FUZZ=ON -DPADORA_BUILD_TESTS=OFF \
    -DPADORA_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target "${targets[@]}"

status=0
for t in "${targets[@]}"; do
    corpus=build-fuzz/corpus/$t
    artifacts=build-fuzz/artifacts/$t
    mkdir -p "$corpus" "$artifacts"
    # Seeds: the repository's own files of the kind the target reads.
    case $t in
    fuzz_settings) seeds=$(find tests examples -name '*.INI' -o -name '*.ini' 2>/dev/null | head -20) ;;
    fuzz_groupfile) seeds=$(find examples tests -name '*.pdg' -o -name '*.dat' 2>/dev/null | head -20) ;;
    fuzz_midi) seeds=$(find examples -name '*.mid' 2>/dev/null | head -20) ;;
    fuzz_wav) seeds=$(find examples -name '*.wav' -size -200k 2>/dev/null | head -20) ;;
    esac
    for s in $seeds; do cp -n "$s" "$corpus/" 2>/dev/null || true; done
    log=build-fuzz/$t.log
    echo "== $t for ${seconds}s (log $log)"
    set +e
    QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 ./build-fuzz/bin/"$t" "$corpus" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -artifact_prefix="$artifacts/" -print_final_stats=1 >"$log" 2>&1
    rc=$?
    set -e
    runs=$(grep -m1 -oP 'stat::number_of_executed_units:\s*\K[0-9]+' "$log" || echo "?")
    found=$(find "$artifacts" -type f | wc -l)
    echo "$t: executions=$runs artifacts=$found exit=$rc"
    [ "$rc" -eq 0 ] || status=1
done
exit $status
