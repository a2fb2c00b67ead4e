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

begin "$PROGRAM" help-file first-start

# First run from an empty folder.
"$WORK/keyshelf" 2>/dev/null &
APP_PID=$!
wait_window "Form4" >/dev/null || fail "no splash" # the splash keeps its design's name
window_id "Password Required" >/dev/null && fail "the dialog came before the splash"
shot startup-splash
log_in "first run" "first run"
main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1
help=$(wait_window "Readme/Help") || exit 1
shot startup-help-window
close_window "$help"
wait_no_window "Readme/Help" || fail "the help window did not close"
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
# A window that must not open: watched for half a second (on the first run it came with the main window).
sleep 0.5
window_id "Readme/Help" >/dev/null && fail "the help window opened although switched off"
shot startup-main-window-with-entries
close_window "$main"
wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"
APP_PID=
echo "startup: ok"
