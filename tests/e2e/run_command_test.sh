#!/usr/bin/env bash
# The run command as a new user meets it: a fresh copy of the sources in a private folder, an ordinary
# user whose packages are all there, at a terminal, with the real cmake. It builds everything it installs,
# installs stripped programs, returns, and the Keyshelf it started keeps running after that terminal is
# gone, with none of the terminal's descriptors; it says where Keyshelf is and how to start it again, and
# how to put ~/.local/bin on the PATH when it is not. Run again, it does the same. An install that cannot
# finish (a file of it missing, a folder it may not write) puts nothing in place, and the uninstall then
# removes whatever it left, as it removes a finished install.
# Usage: run_command_test.sh screenshot-folder
# With CCACHE_DIR set (the test command sets it), the build compiles through a private copy of that cache.
set -u
SHOTS=$1
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
. "$(dirname "$0")/x11.sh"

WORK=$(mktemp -d)
chmod 755 "$WORK"
trap stop_x EXIT
HOME_DIR="$WORK/home dir"
CLONE="$HOME_DIR/keyshelf source"
PREFIX="$HOME_DIR/.local"
PROGRAM="$PREFIX/share/keyshelf/keyshelf"
mkdir -p "$CLONE"

# The sources as a clone has them: every file git tracks or would track, as it is in the working tree.
if git -C "$SOURCE" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    (cd "$SOURCE" && git ls-files -z --cached --others --exclude-standard |
        tar --null --no-recursion --ignore-failed-read -T - -cf - 2>/dev/null) | tar -xf - -C "$CLONE" ||
        fail "could not copy the sources"
else
    (cd "$SOURCE" && tar --exclude='./build*' -cf - .) | tar -xf - -C "$CLONE" || fail "could not copy the sources"
fi
[ -x "$CLONE/scripts/run.sh" ] || fail "no scripts/run.sh in the copy of the sources"

# The test build's compiler cache, copied so that the ordinary user may read and fill it: the build is the
# real one, only its compiler's output may come from the cache.
cache_env=()
if [ -n "${CCACHE_DIR:-}" ] && [ -d "$CCACHE_DIR" ] && command -v ccache >/dev/null; then
    cp -a "$CCACHE_DIR" "$WORK/ccache" || fail "could not copy the compiler cache"
    cache_env=(CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_DIR="$WORK/ccache" CCACHE_BASEDIR="$CLONE"
        CCACHE_NOHASHDIR=1)
fi

as_user() { # as_user COMMAND...: as this user, or as "nobody" when root (file modes do not bind root)
    if [ "$(id -u)" = 0 ]; then
        setpriv --reuid=65534 --regid=65534 --clear-groups "$@"
    else
        "$@"
    fi
}
[ "$(id -u)" = 0 ] && chown -R 65534:65534 "$HOME_DIR" "$WORK/ccache" 2>/dev/null
user_env() { # user_env PATH COMMAND...: COMMAND as the user, with only what a login gives it
    local path=$1
    shift
    as_user env -i HOME="$HOME_DIR" PATH="$path" DISPLAY="${DISPLAY:-}" XDG_CONFIG_HOME="$HOME_DIR/.config" \
        LANG=C.UTF-8 "${cache_env[@]}" "$@"
}

start_x
# run_at_terminal PATH: ./scripts/run.sh in a terminal of its own (script's pseudo terminal, a session of
# its own), which closes when the command returns; the output is in $WORK/run.log. Sets APP_PID to the
# Keyshelf it started, found by its window.
run_at_terminal() {
    user_env "$1" SHELL=/bin/bash timeout 1500 script -qec "$(printf '%q' "$CLONE/scripts/run.sh")" /dev/null \
        >"$WORK/run.log" 2>&1 || { cat "$WORK/run.log"; fail "the run command failed or did not return"; }
    local dialog
    dialog=$(wait_window "Password Required" 30) || exit 1
    APP_PID=$(xdotool getwindowpid "$dialog")
}
user_cmake() { # user_cmake LOG ARGUMENTS...: cmake as the user, its output in LOG
    local log=$1
    shift
    user_env /usr/bin:/bin cmake "$@" >"$log" 2>&1
}
prefix_files() { (cd "$PREFIX" 2>/dev/null && find . ! -type d | sort | tr '\n' ' '); }

run_at_terminal "/usr/bin:/bin"
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
for said in "~/.local/share/keyshelf/" "~/.local/share/keyshelf/data.enc" "~/.local/bin/keyshelf" \
    "Start it again with the command keyshelf, or from your desktop's menu" \
    '  export PATH="$HOME/.local/bin:$PATH"'; do
    grep -qF -- "$said" "$WORK/run.log" || fail "the run command did not say \"$said\": $(cat "$WORK/run.log")"
done
# Both programs installed, without debug information; the build keeps it.
for name in keyshelf keyshelf-cli; do
    installed="$PREFIX/share/keyshelf/$name"
    [ -x "$installed" ] && [ "$(readlink "$PREFIX/bin/$name")" = "../share/keyshelf/$name" ] ||
        fail "$name is not installed: $(prefix_files)"
    readelf -S "$installed" | grep -qE '\.(debug_info|symtab)' && fail "the installed $name is not stripped"
    readelf -S "$CLONE/build/$name" | grep -qF .debug_info || fail "the build's $name has no debug information"
done
user_env "$PREFIX/bin:/usr/bin:/bin" keyshelf-cli --version >"$WORK/out" 2>&1 ||
    fail "the installed keyshelf-cli does not run: $(cat "$WORK/out")"
kill "$APP_PID"
wait_gone "$APP_PID" 10 || fail "Keyshelf did not end"

# Again, with ~/.local/bin on the PATH: the same, and no word about the PATH.
run_at_terminal "$PREFIX/bin:/usr/bin:/bin"
grep -qF "not on your PATH" "$WORK/run.log" && fail "the PATH hint with ~/.local/bin on the PATH: $(cat "$WORK/run.log")"
kill "$APP_PID"
wait_gone "$APP_PID" 10 || fail "Keyshelf did not end"
APP_PID=

# The uninstall removes all of it but the vault, and names the vault and the settings it leaves.
mkdir -p "$HOME_DIR/.config/Keyshelf" && printf '[Settings]\nshowHelp=0\n' >"$HOME_DIR/.config/Keyshelf/Keyshelf.ini"
[ "$(id -u)" = 0 ] && chown -R 65534:65534 "$HOME_DIR/.config"
uninstalled() { # uninstalled LABEL: the uninstall ran and left only the vault
    user_cmake "$WORK/uninstall.log" --build "$CLONE/build" --target uninstall ||
        { cat "$WORK/uninstall.log"; fail "$1: the uninstall failed"; }
    local left
    left=$(prefix_files)
    [ -z "$left" ] || [ "$left" = "./share/keyshelf/data.enc " ] || fail "$1: the uninstall left $left"
}
uninstalled "after the run command"
grep -qF "Your settings stay in ~/.config/Keyshelf/Keyshelf.ini" "$WORK/uninstall.log" ||
    fail "the uninstall did not name the settings it leaves: $(cat "$WORK/uninstall.log")"

# A build that lacks a file of the install (as one of only the program did): nothing is installed, and
# the message names the missing file.
mv "$CLONE/build/keyshelf-cli" "$WORK/keyshelf-cli.built"
before=$(prefix_files)
user_cmake "$WORK/install.log" --install "$CLONE/build" --prefix "$PREFIX" &&
    fail "an install without keyshelf-cli went ahead"
grep -qF "$CLONE/build/keyshelf-cli" "$WORK/install.log" && grep -qF "nothing was installed" "$WORK/install.log" ||
    fail "the install did not name what is missing: $(cat "$WORK/install.log")"
[ "$(prefix_files)" = "$before" ] || fail "an install without keyshelf-cli wrote $(prefix_files)"
mv "$WORK/keyshelf-cli.built" "$CLONE/build/keyshelf-cli"

# An install stopped halfway, here by a folder it may not write: nothing takes its place (no program, no
# launcher), and the uninstall removes what was staged.
user_env /usr/bin:/bin mkdir -p "$PREFIX/share/man/man1"
chmod 555 "$PREFIX/share/man/man1"
user_cmake "$WORK/install.log" --install "$CLONE/build" --prefix "$PREFIX" &&
    fail "an install into a folder it may not write went ahead"
[ ! -e "$PROGRAM" ] && [ ! -L "$PREFIX/bin/keyshelf" ] ||
    fail "an install that stopped halfway put the program in place: $(prefix_files)"
chmod 755 "$PREFIX/share/man/man1"
uninstalled "after an install that stopped halfway"
echo "run command: ok"
