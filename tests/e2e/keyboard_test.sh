#!/usr/bin/env bash
# The program by keyboard alone, in real windows, with no click and no key that only moves the focus
# first: the first start's "type, Tab, type, Enter" creates the vault; a later start's "type, Enter"
# opens it, and after a wrong password and Retry the typing goes to the box; the editor's "type, Tab,
# type, Tab, type, Enter" saves; F10 highlights the first menu and Enter opens a menu at its first item,
# Ctrl+N adds, F1 opens the help; Escape closes the editor, the help and the about window. The band is switched off in the settings, and nothing is loaded for it.
# Usage: keyboard_test.sh path/to/keyshelf path/to/make_vault screenshot-folder
set -u
PROGRAM=$1
MAKE_VAULT=$2
SHOTS=$3
. "$(dirname "$0")/x11.sh"

begin "$PROGRAM" help-file
echo "banner=0" >>"$XDG_CONFIG_HOME/Keyshelf/Keyshelf.ini"

vault_is() { "$MAKE_VAULT" "$WORK/expected.enc" "$@" && cmp -s "$WORK/expected.enc" "$WORK/data.enc"; }
master_line_is() { [ -f "$WORK/data.enc" ] && [ "$(file_hex "$WORK/data.enc")" = "$(enciphered_hex "$1")0d0a" ]; }

# start: runs the program and waits for the gate, active, with its focus where the design puts it.
start() {
    "$WORK/keyshelf" 2>>"$WORK/stderr" &
    APP_PID=$!
    dialog=$(wait_window "Password Required" 15) || exit 1
    xdotool windowactivate --sync "$dialog"
}
main_window() { wait_window "Keyshelf by Keyshelf Software" 15; }
end_program() {
    close_window "$main"
    wait_gone "$APP_PID" || fail "the program did not end"
}

STEP="create"
start
xdotool type --delay 30 "abcd"
xdotool key Tab
xdotool type --delay 30 "abcd"
xdotool key Return
main=$(main_window) || exit 1
wait_for 5 master_line_is abcd || fail "data.enc does not hold the new master password"
xdotool windowactivate --sync "$main"

STEP="add"
xdotool key F10 Right Return Return # File highlighted, then Data; Enter opens it at Add, Enter takes it
wait_window "Add an entry" >/dev/null || exit 1
xdotool type --delay 30 "bob"
xdotool key Tab
xdotool type --delay 30 "b-pw"
xdotool key Tab
xdotool type --delay 30 "example.fr"
shot keyboard-editor
xdotool key Return
wait_vault abcd bob b-pw example.fr || fail "the editor's Enter did not save the entry"
wait_no_window "Add an entry" || fail "the editor stayed open after Save"

STEP="escape"
xdotool windowactivate --sync "$main"
xdotool key ctrl+n # Add's own key
wait_window "Add an entry" >/dev/null || exit 1
xdotool type --delay 30 "zed"
xdotool key Escape
wait_no_window "Add an entry" || fail "Escape did not close the editor"
xdotool windowactivate --sync "$main"
xdotool key F1
help=$(wait_window "Readme/Help") || exit 1
xdotool windowactivate --sync "$help"
xdotool key Escape
wait_no_window "Readme/Help" || fail "Escape did not close the help"
xdotool windowactivate --sync "$main"
xdotool key F10 Right Right Right Right Return Return # File, Data, Copy, Help, About: its one item
about=$(wait_window "About Keyshelf") || exit 1
xdotool windowactivate --sync "$about"
xdotool key Escape
wait_no_window "About Keyshelf" || fail "Escape did not close the about window"
vault_is abcd bob b-pw example.fr || fail "a cancelled editor changed data.enc"
end_program

STEP="open"
start
xdotool type --delay 30 "abcd"
xdotool key Return
main=$(main_window) || exit 1
end_program

STEP="retry"
start
xdotool type --delay 30 "wrong"
xdotool key Return
box=$(wait_window "Incorrect Password") || exit 1
xdotool windowactivate --sync "$box"
xdotool key Return # Retry
wait_no_window "Incorrect Password" || fail "the message box stayed"
xdotool windowactivate --sync "$dialog"
xdotool type --delay 30 "abcd"
xdotool key Return
main=$(main_window) || exit 1
end_program
vault_is abcd bob b-pw example.fr || fail "opening the vault changed data.enc"
echo "keyboard: ok"
