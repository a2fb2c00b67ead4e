#!/usr/bin/env bash
# Privacy while Keyshelf is open, in real windows: a copied password leaves the clipboard once the set
# seconds are past; the desktop's screen lock (ActiveChanged on a session bus of the test's own) hides
# every window, an open editor too, behind the password dialog, the right password brings them back, and
# after another lock three wrong ones end the program with data.enc as it was.
# Usage: privacy_test.sh path/to/keyshelf path/to/make_vault screenshot-folder
set -u
. "$(dirname "$0")/x11.sh"
begin_with_vaults "$@"
own_session_bus # the screen lock is sent on it
printf '[Settings]\nshowHelp=0\nclipboardSeconds=2\n' >"$XDG_CONFIG_HOME/Keyshelf/Keyshelf.ini"
start_logged_in "$MAKE_VAULT" alice a-pw mail.example bob b-pw "Office PC"
before=$(file_hex "$WORK/data.enc")

STEP="clipboard"
xdotool windowactivate --sync "$main"
xdotool key Tab Tab Tab Tab             # Edit, Delete, the website button, then the list
xdotool key Home Down                   # the second row: bob
xdotool key Tab Tab Tab                 # Copy Username, Go To, Copy Password
xdotool key Return
wait_clipboard "b-pw" || fail "the clipboard holds \"$(clipboard)\", not the password"
wait_for 10 clipboard_is "" || fail "the clipboard still holds \"$(clipboard)\" after clipboardSeconds=2"

# lock_screen: the screen saver says it has come on, as GNOME, KDE and Xfce do; the main window goes and
# the password dialog shows.
lock_screen() {
    gdbus emit --session --object-path /org/freedesktop/ScreenSaver \
        --signal org.freedesktop.ScreenSaver.ActiveChanged true >/dev/null || fail "gdbus could not send the signal"
    wait_no_window "Keyshelf by Keyshelf Software" || fail "the main window stayed on the screen after the lock"
    wait_window "Password Required" >/dev/null || fail "no password dialog after the lock"
}

STEP="lock"
xdotool windowactivate --sync "$main" key F10 Right Down Return # Data, opened at its first item: Add
wait_window "Add an entry" >/dev/null || fail "Data > Add did not open the editor"
xdotool type --delay 20 "carol"
lock_screen
wait_no_window "Add an entry" || fail "the editor stayed on the screen after the lock"
shot privacy-locked
log_in "Secret1"
main=$(wait_window "Keyshelf by Keyshelf Software") || fail "the right password did not bring the main window back"
editor=$(wait_window "Add an entry") || fail "the right password did not bring the editor back"
wait_no_window "Password Required" || fail "the password dialog stayed after the right password"
close_window "$editor"
wait_no_window "Add an entry" || fail "the editor did not close"

STEP="three wrong tries"
lock_screen
dialog=$(wait_window "Password Required") || exit 1
xdotool windowactivate --sync "$dialog"
xdotool key Tab Tab # Ok, Cancel, then the password box
for try in 1 2 3; do
    xdotool type --delay 20 "wrong$try"
    xdotool key Return
    box=$(wait_window "Incorrect Password") || exit 1
    xdotool windowactivate --sync "$box" key Return # Retry
    wait_no_window "Incorrect Password" || fail "the wrong-password box stayed at try $try"
    [ "$try" = 3 ] || wait_active "$dialog" # the next password goes to the dialog, as typed
done
box=$(wait_window "Keyshelf") || fail "no word that only 3 tries are allowed"
xdotool windowactivate --sync "$box" key Return
wait_gone "$APP_PID" 10 || fail "the third wrong password did not end the program"
wait "$APP_PID"
status=$?
APP_PID=
[ "$status" = 1 ] || fail "the lock-out ended with status $status, not 1"
[ "$(file_hex "$WORK/data.enc")" = "$before" ] || fail "locking changed data.enc"
echo "privacy: ok"
