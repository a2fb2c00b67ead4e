#!/usr/bin/env bash
# The master password gate in real windows: a first run creates the password by typing into the dialog,
# and a later run ends after three wrong passwords, each answered with Retry.
# Usage: gate_test.sh path/to/keyshelf screenshot-folder
set -u
PROGRAM=$1
SHOTS=$2
. "$(dirname "$0")/x11.sh"

begin "$PROGRAM" first-start

# First run: the dialog asks for a new password.
"$WORK/keyshelf" 2>/dev/null &
APP_PID=$!
dialog=$(wait_window "Password Required") || exit 1
shot gate-create-mode
xdotool windowactivate --sync "$dialog"
xdotool key Tab Tab              # Ok, Cancel, then the password box
xdotool type --delay 20 "Tr1cky pass"
xdotool key Tab
xdotool type --delay 20 "Tr1cky pass"
xdotool key Return
wait_window "Keyshelf by Keyshelf Software" >/dev/null
shot gate-first-run-main-window
expected="$(enciphered_hex "Tr1cky pass")0d0a"
wait_for 5 eval '[ "$(file_hex "$WORK/data.enc" 2>/dev/null)" = "$expected" ]' || fail "data.enc holds $(file_hex "$WORK/data.enc"), not $expected"
[ "$(stat -c %a "$WORK/data.enc")" = "600" ] || fail "data.enc is not readable by its owner only"
kill "$APP_PID"
wait_gone "$APP_PID" || fail "the first run did not end"

# Second run: three wrong passwords, each retried, end the program.
"$WORK/keyshelf" 2>/dev/null &
APP_PID=$!
dialog=$(wait_window "Password Required") || exit 1
shot gate-enter-mode
xdotool windowactivate --sync "$dialog"
xdotool key Tab Tab
for attempt in 1 2 3; do
    xdotool type --delay 20 "wrong$attempt"
    xdotool key Return
    box=$(wait_window "Incorrect Password") || exit 1
    [ "$attempt" = 1 ] && shot gate-wrong-password
    xdotool windowactivate --sync "$box"
    xdotool key Return          # Retry
    wait_no_window "Incorrect Password" || fail "Retry did not close the message"
    [ "$attempt" = 3 ] || wait_active "$dialog" # the next password goes to the dialog, as typed
done
box=$(wait_window "Keyshelf") || exit 1
shot gate-three-tries
xdotool windowactivate --sync "$box"
xdotool key Return
wait_gone "$APP_PID" 5 || fail "the program did not end after the third wrong password"
wait "$APP_PID"
status=$?
[ "$status" = 1 ] || fail "the lock-out ended with status $status, not 1"
[ "$(file_hex "$WORK/data.enc")" = "$expected" ] || fail "the wrong passwords changed data.enc"
APP_PID=
echo "gate: ok"
