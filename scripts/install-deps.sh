#!/usr/bin/env bash
# Installs every Debian package Padora needs to build, run, test and benchmark.
# Idempotent: when everything is present it only asks dpkg and exits.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
    libfluidsynth-dev timgm6mb-soundfont
    libsamplerate0-dev portaudio19-dev
    libx11-dev libxtst-dev
    libevdev-dev  # keyboard capture on Wayland sessions
    fonts-ipafont-gothic
    locales  # locale sources: a test builds a comma-decimal locale with localedef
    libgtest-dev libgmock-dev
    xvfb xauth xdotool x11-utils
    ffmpeg sox libsox-fmt-all time
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
    as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
