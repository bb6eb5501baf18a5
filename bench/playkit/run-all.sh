#!/usr/bin/env bash
# Runs every Playkit benchmark once, the offline render beside ffmpeg and sox for both mixes.
# usage: bench/playkit/run-all.sh [BUILD_DIR] [PEER_RUNS]   (defaults: build, 3)
#   PADBENCH=/tmp/padbench: the peer inputs (made by ../shared/bench/make-inputs.sh if missing)
#   SHARED=../shared/bench: the peer benchmark's folder
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BIN=$(cd "${1:-$ROOT/build}" && pwd)/bin
RUNS=${2:-3}
SHARED=${SHARED:-$ROOT/../shared/bench}
IN=${PADBENCH:-/tmp/padbench}

echo "# $(date -u '+%F %H:%M UTC') $(git -C "$ROOT" rev-parse --short HEAD) nproc=$(nproc) load=$(cut -d' ' -f1-3 /proc/loadavg)"
"$SHARED/make-inputs.sh" "$IN" > /dev/null
for mix in mix.txt mix-typical.txt; do
    echo "## peers.sh $mix (medians of $RUNS runs)"
    MIX="$SHARED/$mix" ENGINE_CMD="$BIN/padora-render {mix} {in} {out}" "$SHARED/peers.sh" "$IN" "$RUNS" 2> "$IN/out/peers-$mix.log"
    "$BIN/padora-wav-rms" "$IN/out/ffmpeg.wav" "$IN/out/sox.wav" "$IN/out/engine.wav"
done
for bench in resample latency open memory load; do
    echo "## padora-bench-$bench"
    "$BIN/padora-bench-$bench" || echo "padora-bench-$bench failed ($?)"
done
