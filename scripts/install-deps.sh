#!/usr/bin/env bash
# Installs every Debian package Padora needs to build, run, test and benchmark, and the node modules
# of the browser tests.
# Idempotent: when everything is present it only asks dpkg and exits.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools libgl-dev
    qt6-translations-l10n  # Qt's own file dialogs in Japanese
    libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
    libfluidsynth-dev timgm6mb-soundfont
    portaudio19-dev
    jackd2 libjack-jackd2-dev  # JACK: Padora plays as a JACK client; the tests run a server (dummy driver)
    pipewire pipewire-bin wireplumber pipewire-alsa pipewire-jack libpipewire-0.3-dev  # PipeWire: a stream of Padora's own, its ALSA and JACK layers; the tests run a server with a null sink
    libx11-dev libxtst-dev
    libevdev-dev  # keyboard capture on Wayland sessions
    libebur128-dev liblo-dev librtmidi-dev libasound2-dev  # loudness matching; OSC and MIDI remote control
    fonts-ipafont-gothic
    locales  # locale sources: a test builds a comma-decimal locale with localedef
    libgtest-dev libgmock-dev
    xvfb xauth xdotool x11-utils
    dbus  # dbus-daemon: the tests run a private session bus with a stand-in desktop portal
    ffmpeg sox libsox-fmt-all time
    desktop-file-utils shared-mime-info  # the installed desktop entry and MIME type are checked by the tests
    qt6-wayland sway wtype  # a native Wayland window; the tests run it under a headless sway and type with wtype
    libwayland-dev libwayland-bin  # the tests' virtual pointer on that sway (a Wayland client and its protocol code)
    qt6-websockets-dev  # the browser remote's WebSockets
    chromium nodejs  # the browser remote's tests: headless chromium driven by puppeteer-core under node
)

# The browser tests' node modules (puppeteer-core only: it drives the chromium above and downloads no
# browser of its own). Installed from the lock file, again only when it changed.
install_browser_modules() {
    local dir
    dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tests/app/e2e/browser"
    [ -f "$dir/package-lock.json" ] || return 0
    if [ -f "$dir/node_modules/.package-lock.json" ] && cmp -s "$dir/package-lock.json" "$dir/node_modules/.lock-installed"; then
        return 0
    fi
    (cd "$dir" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error &&
        cp package-lock.json node_modules/.lock-installed)
}


missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    install_browser_modules
    exit 0
fi

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
    as_root=(sudo)
fi
# No questions (jackd2 asks whether to enable real-time scheduling): take the defaults. Passed through
# env, because sudo does not hand the caller's environment on.
apt=(env DEBIAN_FRONTEND=noninteractive apt-get)
"${as_root[@]}" "${apt[@]}" update
"${as_root[@]}" "${apt[@]}" install -y --no-install-recommends "${missing[@]}"
# Debian's nodejs comes without npm; a node that brings its own npm is left as it is.
command -v npm >/dev/null || "${as_root[@]}" "${apt[@]}" install -y --no-install-recommends npm
install_browser_modules
