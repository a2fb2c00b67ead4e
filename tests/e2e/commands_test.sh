#!/usr/bin/env bash
# The entry commands in real windows, by keyboard as a user without a mouse works: add, copy, edit and
# delete, then the list's own keys (Ctrl+C, Enter, Delete), reading the clipboard with xclip and holding data.enc against a vault written by the vault
# core after each step.
# Usage: commands_test.sh path/to/keyshelf path/to/make_vault screenshot-folder
set -u
. "$(dirname "$0")/x11.sh"
begin_with_vaults "$@"

# expect ENTRIES...: data.enc must come to hold exactly the vault of master "Secret1" and these entries.
expect() {
    wait_vault "Secret1" "$@" || fail "data.enc is not the list after: $STEP"
}

start_logged_in "$MAKE_VAULT" "alice" "a-pw" "www.alice.example" "bob" "b-pw" "Office PC"
xdotool windowactivate --sync "$main"
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
shot commands-editor-add
xdotool key Return                      # Enter in the location box saves
expect "alice" "a-pw" "www.alice.example" "bob" "b-pw" "Office PC" "carol" "c-pw 3" "https://carol.example"
wait_no_window "Add an entry" || fail "the editor stayed open after Save"

STEP="copy password"
xdotool windowactivate --sync "$main"
xdotool key Tab Tab Tab Tab             # Edit, Delete, the website button, then the list
xdotool key Home Down                   # the second row: bob
xdotool key Tab Tab Tab                 # Copy Username, Go To, Copy Password
xdotool key Return
wait_clipboard "b-pw" || fail "the clipboard holds \"$(clipboard)\", not bob's password"
xclip -o -selection clipboard -t TARGETS | grep -q "x-kde-passwordManagerHint" ||
    fail "the copied password is not marked as secret for clipboard managers"
shot commands-copied-password

STEP="edit"
xdotool key shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab   # back to Edit
xdotool key Return
editor=$(wait_window "Edit an entry") || exit 1
wait_active "$editor"
shot commands-editor-edit
xdotool key Tab Tab Tab                 # Save, username, password (its text selected)
xdotool type --delay 20 "b-pw NEW"
xdotool key Tab Return
expect "alice" "a-pw" "www.alice.example" "bob" "b-pw NEW" "Office PC" "carol" "c-pw 3" "https://carol.example"
wait_no_window "Edit an entry" || fail "the editor stayed open after Save"

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
expect "bob" "b-pw NEW" "Office PC" "carol" "c-pw 3" "https://carol.example"
shot commands-after-delete

STEP="the list's keys"
xdotool windowactivate --sync "$main"
xdotool key Tab Tab                     # from Delete: the website button, the list
xdotool key End Home                    # bob, selected (after a delete the row there is current, not selected)
xdotool key ctrl+c
wait_clipboard "bob" || fail "Ctrl+C in the list put \"$(clipboard)\" on the clipboard, not bob's username"
xclip -o -selection clipboard -t TARGETS | grep -q "x-kde-passwordManagerHint" ||
    fail "Ctrl+C in the list did not mark the copy as secret"
xdotool key Return
editor=$(wait_window "Edit an entry") || fail "Enter in the list did not open the editor"
close_window "$editor"
wait_no_window "Edit an entry" || fail "the editor did not close"
xdotool windowactivate --sync "$main"
xdotool key Delete                      # the focus is back on the list
box=$(wait_window "Confirm Delete") || fail "Delete in the list did not ask"
xdotool windowactivate --sync "$box"
xdotool key Escape
wait_no_window "Confirm Delete" || fail "Escape did not close the question"

close_window "$main"
wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"
APP_PID=
# Held against the file once the program has ended: nothing can be written after this.
STEP="Escape on the question"
expect "bob" "b-pw NEW" "Office PC" "carol" "c-pw 3" "https://carol.example"
# Closing cleared the copied password from the clipboard; nothing secret went to stderr.
[ -z "$(clipboard)" ] || fail "the clipboard still holds \"$(clipboard)\" after closing"
for secret in Secret1 a-pw b-pw "c-pw 3" "b-pw NEW"; do
    grep -qF "$secret" "$WORK/stderr" && fail "\"$secret\" appeared on stderr"
done
echo "commands: ok"
