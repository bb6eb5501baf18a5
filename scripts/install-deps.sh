#!/usr/bin/env bash
# Installs the Debian packages Padora needs to build and run it; with --tests also those only its tests
# and benchmarks need. Idempotent: when everything is present it only asks dpkg and exits.
#   ./scripts/install-deps.sh           build, run, make the Debian package
#   ./scripts/install-deps.sh --tests   the same and everything the tests use
set -euo pipefail

usage() { echo "usage: $0 [--tests]" >&2; exit 2; }
with_tests=0
for arg in "$@"; do
    case "$arg" in
        --tests) with_tests=1 ;;
        -h | --help) echo "usage: $0 [--tests]"; exit 0 ;;
        *) usage ;;
    esac
done

# Building and running Padora.
build_packages=(
    build-essential cmake ninja-build pkg-config
    file  # cpack's Debian packages: dpkg-shlibdeps is given the binaries it finds with file
    qt6-base-dev qt6-base-dev-tools libgl-dev
    qt6-translations-l10n  # Qt's own file dialogs in Japanese
    qt6-wayland  # a native Wayland window
    qt6-l10n-tools qt6-tools-dev  # lupdate/lrelease and their CMake functions: the English catalogue
    libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
    libfluidsynth-dev timgm6mb-soundfont
    portaudio19-dev
    libjack-jackd2-dev  # Padora plays as a JACK client
    libpipewire-0.3-dev  # a PipeWire stream of Padora's own
    libx11-dev libxtst-dev
    libevdev-dev  # keyboard capture on Wayland sessions
    libebur128-dev liblo-dev librtmidi-dev libasound2-dev  # loudness matching; OSC and MIDI remote control
    qt6-websockets-dev  # the browser remote's WebSockets
    libqrencode-dev  # the browser remote's address as a QR code
    fonts-ipafont-gothic
)

# Only for the tests (and the benchmarks and the screenshot script).
test_packages=(
    libgtest-dev libgmock-dev
    clang-format
    jackd2  # a JACK server (dummy driver) of the tests' own
    pipewire pipewire-bin wireplumber pipewire-alsa pipewire-jack  # a PipeWire server with a null sink, its ALSA and JACK layers
    locales  # locale sources: a test builds a comma-decimal locale with localedef
    xvfb xauth xdotool x11-utils
    dbus  # dbus-daemon: a private session bus with a stand-in desktop portal
    ffmpeg sox libsox-fmt-all time  # reference decoders and timing for checks and benchmarks
    desktop-file-utils shared-mime-info  # the installed desktop entry and MIME type are checked
    appstream lintian  # the AppStream description and the Debian package are checked
    sway wtype  # the native Wayland window under a headless sway, typed at with wtype
    libwayland-dev libwayland-bin  # the tests' virtual pointer on that sway (a Wayland client and its protocol code)
    zbar-tools  # the QR code on the screen is read back as a phone would
    chromium nodejs  # the browser remote's tests: headless chromium driven by puppeteer-core under node
)

packages=("${build_packages[@]}")
[ "$with_tests" -eq 1 ] && packages+=("${test_packages[@]}")

# The browser tests' node modules (puppeteer-core only: it drives the chromium above and downloads no
# browser of its own). Installed from the lock file, again only when it changed.
install_browser_modules() {
    [ "$with_tests" -eq 1 ] || return 0
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
if [ "$with_tests" -eq 1 ] && ! command -v npm >/dev/null; then
    "${as_root[@]}" "${apt[@]}" install -y --no-install-recommends npm
fi
install_browser_modules
