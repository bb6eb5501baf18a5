#!/usr/bin/env bash
# Runs every Playkit benchmark once, the offline render beside ffmpeg and sox for both mixes.
# usage: bench/playkit/run-all.sh [BUILD_DIR] [PEER_RUNS]   (defaults: build, 3)
#   PADBENCH=/tmp/padbench: the peer inputs (made by ../shared/bench/make-inputs.sh if missing)
#   SHARED=../shared/bench: the peer benchmark's folder
#   OUT_DIR: where the peers' and the engine's outputs go (default: a new folder under /tmp)
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BIN=$(cd "${1:-$ROOT/build}" && pwd)/bin
RUNS=${2:-3}
SHARED=${SHARED:-$ROOT/../shared/bench}
IN=${PADBENCH:-/tmp/padbench}
# Outputs of our own: another developer running the peers at the same time must not overwrite them.
export OUT_DIR=${OUT_DIR:-$(mktemp -d /tmp/padora-peers.XXXXXX)}

echo "# $(date -u '+%F %H:%M UTC') $(git -C "$ROOT" rev-parse --short HEAD) nproc=$(nproc) load=$(cut -d' ' -f1-3 /proc/loadavg)"
"$SHARED/make-inputs.sh" "$IN" > /dev/null
for mix in mix.txt mix-typical.txt; do
    echo "## peers.sh $mix (medians of $RUNS runs)"
    MIX="$SHARED/$mix" ENGINE_CMD="$BIN/padora-render {mix} {in} {out}" "$SHARED/peers.sh" "$IN" "$RUNS" 2> "$OUT_DIR/peers-$mix.log"
    grep "^run=" "$OUT_DIR/peers-$mix.log"
    "$BIN/padora-wav-rms" "$OUT_DIR/ffmpeg.wav" "$OUT_DIR/sox.wav" "$OUT_DIR/engine.wav"
done
for bench in resample latency jack-latency open memory load; do
    echo "## padora-bench-$bench"
    "$BIN/padora-bench-$bench" || echo "padora-bench-$bench failed ($?)"
done
for args in "--period 64" "--server pipewire --path jack" "--server pipewire --path alsa" \
    "--server pipewire --path jack --period 64"; do
    echo "## padora-bench-jack-latency $args"
    # shellcheck disable=SC2086 # the options are meant to split
    "$BIN/padora-bench-jack-latency" 200 $args || echo "padora-bench-jack-latency $args failed ($?)"
done
