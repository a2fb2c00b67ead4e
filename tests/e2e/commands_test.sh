#!/usr/bin/env bash
# The entry commands in real windows, by keyboard as a user without a mouse works: add, copy, edit and
# delete, then the list's own keys (Ctrl+C, Enter, Delete), reading the clipboard with xclip and holding data.enc against a vault written by the vault
# core after each step.
# Usage: commands_test.sh path/to/keyshelf path/to/make_vault screenshot-folder
set -u
PROGRAM=$1
MAKE_VAULT=$2
SHOTS=$3
. "$(dirname "$0")/x11.sh"

start_x
prepare_folder "$PROGRAM"
help_off

# expect ENTRIES...: data.enc must hold exactly the vault of master "Secret1" and these entries.
expect() {
    "$MAKE_VAULT" "$WORK/expected.enc" "Secret1" "$@" || fail "make_vault failed"
    cmp -s "$WORK/expected.enc" "$WORK/data.enc" || fail "data.enc is not the list after: $STEP"
}
clipboard() {
    xclip -o -selection clipboard 2>/dev/null
}

start_logged_in "$MAKE_VAULT" "alice" "a-pw" "www.alice.example" "bob" "b-pw" "Office PC"
xdotool windowactivate --sync "$main"
sleep 0.5
# The process keeps its memory to itself: no core dumps. Only the soft limit is lowered; the hard one stays
# as this shell's, to be given back to the programs Keyshelf starts.
hard=$(awk '/^Max core file size/ { print $6 }' "/proc/$$/limits")
grep -Eq "^Max core file size +0 +$hard " "/proc/$APP_PID/limits" || fail "the program may still dump core"

STEP="add"
xdotool key Return                      # the focus starts on Add
editor=$(wait_window "Add an entry") || exit 1
xdotool key Tab Tab                     # Cancel, Save, then the username box
xdotool type --delay 20 "carol"
xdotool key Tab
xdotool type --delay 20 "c-pw 3"
xdotool key Tab
xdotool type --delay 20 "https://carol.example"
sleep 0.2
shot commands-editor-add
xdotool key Return                      # Enter in the location box saves
sleep 0.5
expect "alice" "a-pw" "www.alice.example" "bob" "b-pw" "Office PC" "carol" "c-pw 3" "https://carol.example"

STEP="copy password"
xdotool windowactivate --sync "$main"
xdotool key Tab Tab Tab Tab             # Edit, Delete, the website button, then the list
xdotool key Home Down                   # the second row: bob
xdotool key Tab Tab Tab                 # Copy Username, Go To, Copy Password
xdotool key Return
sleep 0.3
[ "$(clipboard)" = "b-pw" ] || fail "the clipboard holds \"$(clipboard)\", not bob's password"
xclip -o -selection clipboard -t TARGETS | grep -q "x-kde-passwordManagerHint" ||
    fail "the copied password is not marked as secret for clipboard managers"
shot commands-copied-password

STEP="edit"
xdotool key shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab   # back to Edit
xdotool key Return
editor=$(wait_window "Edit an entry") || exit 1
sleep 0.2
shot commands-editor-edit
xdotool key Tab Tab Tab                 # Save, username, password (its text selected)
xdotool type --delay 20 "b-pw NEW"
xdotool key Tab Return
sleep 0.5
expect "alice" "a-pw" "www.alice.example" "bob" "b-pw NEW" "Office PC" "carol" "c-pw 3" "https://carol.example"

STEP="delete"
xdotool windowactivate --sync "$main"
xdotool key Tab Tab Tab                 # from Edit: Delete, the website button, the list
xdotool key Home                        # alice
xdotool key shift+Tab shift+Tab         # back to Delete
xdotool key Return
box=$(wait_window "Confirm Delete") || exit 1
shot commands-confirm-delete
xdotool windowactivate --sync "$box"
xdotool key Return                      # OK
sleep 0.5
expect "bob" "b-pw NEW" "Office PC" "carol" "c-pw 3" "https://carol.example"
shot commands-after-delete

STEP="the list's keys"
xdotool windowactivate --sync "$main"
xdotool key Tab Tab                     # from Delete: the website button, the list
xdotool key End Home                    # bob, selected (after a delete the row there is current, not selected)
xdotool key ctrl+c
sleep 0.3
[ "$(clipboard)" = "bob" ] || fail "Ctrl+C in the list put \"$(clipboard)\" on the clipboard, not bob's username"
xclip -o -selection clipboard -t TARGETS | grep -q "x-kde-passwordManagerHint" ||
    fail "Ctrl+C in the list did not mark the copy as secret"
xdotool key Return
editor=$(wait_window "Edit an entry") || fail "Enter in the list did not open the editor"
close_window "$editor"
sleep 0.3
xdotool windowactivate --sync "$main"
xdotool key Delete                      # the focus is back on the list
box=$(wait_window "Confirm Delete") || fail "Delete in the list did not ask"
xdotool windowactivate --sync "$box"
xdotool key Escape
sleep 0.5
expect "bob" "b-pw NEW" "Office PC" "carol" "c-pw 3" "https://carol.example"

close_window "$main"
wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"
APP_PID=
# Closing cleared the copied password from the clipboard; nothing secret went to stderr.
[ -z "$(clipboard)" ] || fail "the clipboard still holds \"$(clipboard)\" after closing"
for secret in Secret1 a-pw b-pw "c-pw 3" "b-pw NEW"; do
    grep -qF "$secret" "$WORK/stderr" && fail "\"$secret\" appeared on stderr"
done
echo "commands: ok"
