#!/usr/bin/env bash
# Installs the Debian packages Keyshelf needs, but only those that are missing.
#   setup.sh run    what building and running the program need
#   setup.sh test   that, plus the tools the tests, benchmarks and fuzzers use
# Safe to run again: when everything is present it does nothing.
set -euo pipefail

need=${1:-test}
packages=(
    build-essential cmake ninja-build
    qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev
    fonts-dejavu-core
    libsodium-dev # a sealed vault's key derivation and encryption
    qt6-svg-dev # the build renders the artwork's SVG drawings to the PNGs the program embeds
    xdg-utils # Go To, the website button and the banner's links open through xdg-open
)
case "$need" in
run) ;;
test)
    packages+=(
        libgtest-dev libgmock-dev libbenchmark-dev
        ccache # the test command's three gcc builds share their objects through it
        clang libclang-rt-14-dev
        clang-format-14 # the format check runs this one version: another formats the same file otherwise
        xvfb openbox xdotool xclip imagemagick desktop-file-utils
        libxcb1-dev # the start-up benchmark watches windows appear
        x11-utils   # xwininfo: a real-window test watches the main window stay on the screen
        qt6ct       # a real-window test shows every window in a dark colour scheme
        dbus-daemon libglib2.0-bin # a real-window test locks the screen on a session bus of its own (gdbus)
        at-spi2-core # a real-window test reads what a message box says from the accessibility bus
    )
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        # Nothing here can install packages: say what to run as root instead of failing on sudo.
        echo "Keyshelf needs these packages, which are not installed: ${missing[*]}" >&2
        echo "There is no sudo here. As root (su -), run:" >&2
        echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
        echo "then run this command again." >&2
        exit 2
    fi
    sudo_cmd=(sudo)
fi
echo "Installing missing packages: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
