#!/usr/bin/env bash
# The start-up sequence in real windows: a first run goes splash, create dialog, main window; a later
# run loads a vault written by the vault core and shows its entries; closing the main window ends the
# program.
# Usage: startup_test.sh path/to/keyshelf path/to/make_vault screenshot-folder
set -u
PROGRAM=$1
MAKE_VAULT=$2
SHOTS=$3
. "$(dirname "$0")/x11.sh"

start_x
prepare_folder "$PROGRAM"
cp "$(dirname "$PROGRAM")/Help.rtf" "$WORK/" 2>/dev/null

# First run from an empty folder.
"$WORK/keyshelf" 2>/dev/null &
APP_PID=$!
sleep 0.4
[ -n "$(xdotool search --onlyvisible --name "^Password Required\$" 2>/dev/null)" ] && fail "the dialog came before the splash"
shot startup-splash
log_in "first run" "first run"
main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1
help=$(wait_window "Readme/Help") || exit 1
sleep 0.3
shot startup-help-window
close_window "$help"
sleep 0.3
shot startup-first-run-main-window
close_window "$main"
wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"

# A later run on a vault written by the vault core, help switched off.
help_off
"$MAKE_VAULT" "$WORK/data.enc" "Secret1" \
    "alice@mail.example" "s3cret-Alice" "https://mail.example/login" \
    "bob" "hunter2" "Office PC" \
    "zoë.ñandú@example.com" "pässwörd€" "https://www.bank.example" || fail "make_vault failed"
"$WORK/keyshelf" 2>/dev/null &
APP_PID=$!
log_in "Secret1"
main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1
sleep 0.5
[ -n "$(xdotool search --onlyvisible --name "^Readme/Help\$" 2>/dev/null)" ] && fail "the help window opened although switched off"
shot startup-main-window-with-entries
close_window "$main"
wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"
APP_PID=
echo "startup: ok"
