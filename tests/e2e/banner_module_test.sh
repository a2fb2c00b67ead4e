#!/usr/bin/env bash
# The banner's web engine is a module beside the program, loaded only when the band starts: the program
# names no web engine library, and none is in the process at the password dialog; after the main window
# shows the band, the module from the program's own folder and the engine are. Without the module the
# band stays blank, one line says why, and the program works on.
# Usage: banner_module_test.sh path/to/keyshelf path/to/make_vault screenshot-folder
set -u
PROGRAM=$1
MAKE_VAULT=$2
SHOTS=$3
. "$(dirname "$0")/x11.sh"

names_no_web_engine "$PROGRAM"
[ -f "$(dirname "$PROGRAM")/keyshelf-banner.so" ] || fail "no banner module beside $PROGRAM"

start_x
prepare_folder "$PROGRAM"
help_off
"$MAKE_VAULT" "$WORK/data.enc" "Secret1" "alice" "a-pw" "www.alice.example"

# mapped PATTERN: whether a file matching PATTERN is mapped into the program.
mapped() {
    grep -qi -- "$1" "/proc/$APP_PID/maps"
}

# With the module: nothing of it before the main window, then the one beside the program.
"$WORK/keyshelf" 2>"$WORK/stderr" &
APP_PID=$!
wait_window "Password Required" 15 >/dev/null || exit 1
mapped webengine && fail "a web engine library is mapped at the password dialog"
mapped keyshelf-banner && fail "the banner module is loaded at the password dialog"
log_in "Secret1"
main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1
for _ in $(seq 150); do mapped "$WORK/keyshelf-banner.so" && mapped libQt6WebEngineCore && break; sleep 0.1; done
mapped "$WORK/keyshelf-banner.so" || fail "the band did not load the module beside the program"
mapped libQt6WebEngineCore || fail "the band started without the web engine"
sleep 1
shot banner-module-loaded
main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1 # the web view gives the window a new native one
close_window "$main"
wait_gone "$APP_PID" 10 || fail "closing the main window did not end the program"

# Without the module: a blank band, one line on the terminal, and the list works.
rm "$WORK/keyshelf-banner.so"
"$WORK/keyshelf" 2>"$WORK/stderr" &
APP_PID=$!
log_in "Secret1"
main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1
sleep 2
shot banner-module-missing
mapped webengine && fail "a web engine library is mapped without the module"
pgrep -P "$APP_PID" >/dev/null && fail "the program started other processes: $(pgrep -a -P "$APP_PID")"
said=$(grep -v "^QStandardPaths: XDG_RUNTIME_DIR not set" "$WORK/stderr")
[ "$(wc -l <<<"$said")" -eq 1 ] && grep -q "keyshelf-banner.so" <<<"$said" ||
    fail "the missing module was not said in one line: $said"
xdotool windowactivate --sync "$main"
xdotool key Return # the focus starts on Add
editor=$(wait_window "Add an entry") || exit 1
close_window "$editor"
close_window "$main"
wait_gone "$APP_PID" 10 || fail "closing the main window did not end the program"
APP_PID=
echo "banner module: ok"
