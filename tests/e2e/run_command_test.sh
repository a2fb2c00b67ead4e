#!/usr/bin/env bash
# The run command, as an ordinary user whose packages are all there, at a terminal: it returns, and the
# Keyshelf it started keeps running after that terminal is gone, with none of the terminal's descriptors;
# it says where Keyshelf is and how to start it again, and how to put ~/.local/bin on the PATH when it is
# not. The build and the install are made beforehand (install_e2e covers the install itself), so the
# clone's cmake is a stand-in that only notes what it was asked.
# Usage: run_command_test.sh path/to/build screenshot-folder
set -u
BUILD=$(cd "$1" && pwd)
SHOTS=$2
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
. "$(dirname "$0")/x11.sh"

WORK=$(mktemp -d)
chmod 755 "$WORK"
trap stop_x EXIT
HOME_DIR="$WORK/home dir"
PREFIX="$HOME_DIR/.local"
PROGRAM="$PREFIX/share/keyshelf/keyshelf"
mkdir -p "$HOME_DIR"

# The install, keeping the build's record of the developer's own install (the uninstall target reads it).
[ -f "$BUILD/install_manifest.txt" ] && cp -p "$BUILD/install_manifest.txt" "$WORK/manifest-before"
HOME="$HOME_DIR" cmake --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" 2>&1
installed=$?
if [ -f "$WORK/manifest-before" ]; then cp -p "$WORK/manifest-before" "$BUILD/install_manifest.txt"; else rm -f "$BUILD/install_manifest.txt"; fi
[ "$installed" -eq 0 ] || { cat "$WORK/install.log"; fail "the install failed"; }

# A clone holding the scripts, with a cmake that stands in for configure, build and install.
mkdir -p "$WORK/clone/scripts" "$WORK/bin"
cp "$SOURCE"/scripts/{run.sh,setup.sh,old_vault.sh} "$WORK/clone/scripts/"
printf '#!/bin/sh\necho "cmake $*" >>"%s/cmake.log"\n' "$WORK" >"$WORK/bin/cmake"
chmod 755 "$WORK/bin/cmake"
touch "$WORK/cmake.log"
chmod 666 "$WORK/cmake.log"

as_user() { # as_user COMMAND...: as this user, or as "nobody" when root (file modes do not bind root)
    if [ "$(id -u)" = 0 ]; then
        setpriv --reuid=65534 --regid=65534 --clear-groups "$@"
    else
        "$@"
    fi
}
[ "$(id -u)" = 0 ] && chown -R 65534:65534 "$HOME_DIR"

start_x
# run_at_terminal PATH: ./scripts/run.sh in a terminal of its own (script's pseudo terminal, a session of
# its own), which closes when the command returns; the output is in $WORK/run.log. Sets APP_PID to the
# Keyshelf it started, found by its window.
run_at_terminal() {
    as_user env -i HOME="$HOME_DIR" PATH="$1" DISPLAY="$DISPLAY" XDG_CONFIG_HOME="$HOME_DIR/.config" LANG=C.UTF-8 \
        ${ASAN_OPTIONS:+ASAN_OPTIONS="$ASAN_OPTIONS"} \
        SHELL=/bin/bash timeout 120 script -qec "$(printf '%q' "$WORK/clone/scripts/run.sh")" /dev/null >"$WORK/run.log" 2>&1 ||
        { cat "$WORK/run.log"; fail "the run command failed or did not return"; }
    local dialog
    dialog=$(wait_window "Password Required" 15) || exit 1
    APP_PID=$(xdotool getwindowpid "$dialog")
}

run_at_terminal "$WORK/bin:/usr/bin:/bin"
# The terminal is gone; Keyshelf is not, and it holds nothing of it.
kill -0 "$APP_PID" 2>/dev/null || fail "Keyshelf ended with the terminal"
[ "$(ps -o sid= -p "$APP_PID" | tr -d ' ')" = "$APP_PID" ] || fail "Keyshelf is not in a session of its own"
if [ -r "/proc/$APP_PID/fd" ]; then # a same-user test cannot look into a hardened process
    [ "$(readlink "/proc/$APP_PID/exe")" = "$PROGRAM" ] || fail "the window is not the installed program's"
    for fd in 0 1 2; do
        [ "$(readlink "/proc/$APP_PID/fd/$fd")" = /dev/null ] || fail "Keyshelf's descriptor $fd is $(readlink "/proc/$APP_PID/fd/$fd")"
    done
fi
shot run-command-detached
grep -q " --install build --prefix $PREFIX\$" "$WORK/cmake.log" || fail "the run command installed elsewhere: $(cat "$WORK/cmake.log")"
for said in "~/.local/share/keyshelf/" "~/.local/share/keyshelf/data.enc" "~/.local/bin/keyshelf" \
    "Start it again with the command keyshelf, or from your desktop's menu" \
    '  export PATH="$HOME/.local/bin:$PATH"'; do
    grep -qF -- "$said" "$WORK/run.log" || fail "the run command did not say \"$said\": $(cat "$WORK/run.log")"
done
kill "$APP_PID"
wait_gone "$APP_PID" 10 || fail "Keyshelf did not end"

# With ~/.local/bin on the PATH, no word about it.
run_at_terminal "$WORK/bin:$PREFIX/bin:/usr/bin:/bin"
grep -qF "not on your PATH" "$WORK/run.log" && fail "the PATH hint with ~/.local/bin on the PATH: $(cat "$WORK/run.log")"
kill "$APP_PID"
wait_gone "$APP_PID" 10 || fail "Keyshelf did not end"
APP_PID=
echo "run command: ok"
