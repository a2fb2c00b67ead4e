#!/usr/bin/env bash
# Installs what is missing, builds Keyshelf, installs it for this user in ~/.local and starts the
# installed program, then gives the terminal back. Its vault, data.enc, lives beside it in
# ~/.local/share/keyshelf, where no build step touches it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh run
prefix="$HOME/.local"
# Earlier versions ran Keyshelf from build/, so their vault is there.
./scripts/old_vault.sh "$PWD/build/data.enc" "$prefix/share/keyshelf"
# Everything the install puts down (keyshelf, the band's renderer keyshelf-band, keyshelf-cli, the icons), and nothing of the test suites or
# benchmarks, which need what only the test command installs. The compiler runs directly unless
# CMAKE_CXX_COMPILER_LAUNCHER names a launcher (the test of this command uses the test build's ccache).
cmake -S . -B build -G Ninja -DKEYSHELF_TESTS=OFF -DKEYSHELF_BENCH=OFF -DKEYSHELF_WERROR=ON \
    -DCMAKE_CXX_COMPILER_LAUNCHER="${CMAKE_CXX_COMPILER_LAUNCHER:-}"
cmake --build build
cmake --install build --prefix "$prefix"

# shellcheck disable=SC2088 # the folder as the user knows it, printed, not expanded
shown="~/.local"
echo
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    # In a session of its own, with nothing of this terminal: the terminal is free again at once,
    # closing it does not end Keyshelf, and Keyshelf writes nothing into it.
    setsid -f "$prefix/share/keyshelf/keyshelf" </dev/null >/dev/null 2>&1
    echo "Keyshelf is installed and started."
else
    echo "Keyshelf is installed. There is no display here, so it was not started."
fi
echo "  Program: $shown/share/keyshelf/ (with Help.rtf; manual: man keyshelf)"
echo "  Vault:   $shown/share/keyshelf/data.enc"
if [ "$(readlink "$prefix/bin/keyshelf" 2>/dev/null)" != ../share/keyshelf/keyshelf ]; then
    # A bin/keyshelf of the user's own was kept by the install: the program is started by its full path.
    echo "  Start:   $shown/share/keyshelf/keyshelf"
    echo "Start it again by that path, or from your desktop's menu (Keyshelf)."
    exit 0
fi
echo "  Start:   $shown/bin/keyshelf"
echo "Start it again with the command keyshelf, or from your desktop's menu (Keyshelf)."
case ":$PATH:" in
*":$prefix/bin:"* | *":$prefix/bin/:"*) ;;
*)
    echo "$shown/bin is not on your PATH, so the command keyshelf is not found yet."
    if grep -qs '\.local/bin' "$HOME/.profile"; then # Debian's own ~/.profile adds it when it exists
        echo "Your ~/.profile adds it when you next log in; until then, start $shown/bin/keyshelf."
    else
        echo "Add this line to ~/.profile and log in again (until then, start $shown/bin/keyshelf):"
        echo '  export PATH="$HOME/.local/bin:$PATH"'
    fi
    ;;
esac
