#!/usr/bin/env bash
# Another program changes the vault while the window shows it, here the command-line companion beside
# the program: the list reloads by itself within a second or so, keeping the entry selected; a new master
# password hides the list until it is typed, and the old one is never written back.
# Usage: outside_change_test.sh path/to/keyshelf path/to/keyshelf-cli path/to/make_vault screenshot-folder
set -u
PROGRAM=$1
CLI=$2
MAKE_VAULT=$3
SHOTS=$4
. "$(dirname "$0")/x11.sh"

begin "$PROGRAM"
cp "$CLI" "$WORK/keyshelf-cli" # beside the program: the same data.enc
# copy_password: the selected entry's password, through the Copy menu, by keyboard.
copy_password() {
    xdotool windowactivate --sync "$main" key F10 Right Right Down Down Return
}
copied() { copy_password && clipboard_is "$1"; }
# until_clipboard TEXT SECONDS: copies the selected password until the clipboard holds TEXT; prints the
# milliseconds that took.
until_clipboard() {
    local start=$(now_us)
    wait_for "$2" copied "$1" && echo $((($(now_us) - start) / 1000))
}
master_hex() { file_hex "$WORK/data.enc" | sed 's/0d0a.*//'; }

start_logged_in "$MAKE_VAULT" "alice" "a-pw" "a.example" "bob" "b-pw" "b.example" "carol" "c-pw" "c.example"
xdotool windowactivate --sync "$main" key Tab Tab Tab Tab Home Down # the list, bob selected
until_clipboard "b-pw" 5 >/dev/null || fail "bob's password could not be copied: \"$(clipboard)\""

# A new password for bob, and a new entry, from the terminal companion.
printf 'Secret1\nb-pw-NEW\n' | "$WORK/keyshelf-cli" edit bob --password >/dev/null || fail "keyshelf-cli edit failed"
printf 'Secret1\nd-pw\n' | "$WORK/keyshelf-cli" add --username dave --location d.example >/dev/null ||
    fail "keyshelf-cli add failed"
ms=$(until_clipboard "b-pw-NEW" 5) || fail "the list did not reload with bob selected: \"$(clipboard)\""
echo "the list showed the change ${ms} ms after it was made"
shot outside-change-reloaded

# A new master password: the list hides and the password dialog asks for the new one.
printf 'Secret1\nN3w-pass\n' | "$WORK/keyshelf-cli" passwd >/dev/null || fail "keyshelf-cli passwd failed"
new_master=$(master_hex)
[ "$new_master" = "$(enciphered_hex N3w-pass)" ] || fail "passwd did not write the new master password"
dialog=$(wait_window "Password Required" 5) || exit 1
wait_no_window "Keyshelf by Keyshelf Software" ||
    fail "the list stayed on show while the new master password was asked for"
shot outside-change-new-master
log_in "N3w-pass"
main=$(wait_window "Keyshelf by Keyshelf Software" 5) || exit 1
shot outside-change-back

# The entries are back, and a change made in the window keeps the new master password.
xdotool windowactivate --sync "$main" key End Home Delete # the list keeps the focus it had
box=$(wait_window "Confirm Delete") || exit 1
xdotool windowactivate --sync "$box" key Return
wait_vault "N3w-pass" "bob" "b-pw-NEW" "b.example" "carol" "c-pw" "c.example" "dave" "d-pw" "d.example" ||
    fail "after the delete data.enc is $(file_hex "$WORK/data.enc"), not $(file_hex "$WORK/expected.enc")"

close_window "$main"
wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"
APP_PID=
echo "outside change: ok"
