#!/usr/bin/env bash
# Importing a browser's CSV export in real windows, by keyboard: Ctrl+I, the file chosen, the import
# dialog's report, Import; the list and data.enc hold the entries; the offer to delete the file, No by
# default, Yes deleting it.
# Usage: import_test.sh path/to/keyshelf path/to/make_vault screenshot-folder
set -u
. "$(dirname "$0")/x11.sh"
begin_with_vaults "$@"
start_logged_in "$MAKE_VAULT" ann old shop.example
printf 'url,username,password,httpRealm,formActionOrigin,guid,timeCreated,timeLastUsed,timePasswordChanged\r\n%s\r\n%s\r\n%s\r\n' \
    'https://shop.example,ann,new,,,{1},1,2,3' 'mail.example,"bob, jr",b-pw,,,{2},1,2,3' \
    'bad.example,eve,"with|||bar",,,{3},1,2,3' >"$WORK/firefox export.csv"

# import_file FILE: Ctrl+I in the main window, FILE typed into the file chooser; prints the import
# dialog's window id.
import_file() {
    xdotool windowactivate --sync "$main" key ctrl+i
    local chooser
    chooser=$(wait_window "Choose the CSV File to Import") || exit 1
    xdotool windowactivate --sync "$chooser" key ctrl+a
    xdotool type --delay 10 "$1"
    xdotool key Return
    wait_window "Import Passwords"
}

dialog=$(import_file "$WORK/firefox export.csv") || exit 1
shot import-dialog "$dialog"
xdotool windowactivate --sync "$dialog" key Return # Import, the default button
wait_vault Secret1 ann old shop.example ann new https://shop.example "bob, jr" b-pw mail.example ||
    fail "after the import data.enc is $(file_hex "$WORK/data.enc")"
box=$(wait_window Keyshelf) || exit 1
xdotool windowactivate --sync "$box" key Return # No, the default: the file stays
wait_no_window Keyshelf || fail "the offer to delete the file did not close"
[ -f "$WORK/firefox export.csv" ] || fail "the CSV file was deleted on No"

# Again, the same file: everything is in the list already, so nothing can be imported; Escape cancels.
dialog=$(import_file "$WORK/firefox export.csv") || exit 1
xdotool windowactivate --sync "$dialog" key Escape
wait_no_window "Import Passwords" || fail "Escape did not close the import dialog"

# A new password for bob, given to his entry: the dialog's choice, then Yes deletes the file.
printf 'url,username,password\nmail.example,"bob, jr",b-pw-2\n' >"$WORK/second.csv"
dialog=$(import_file "$WORK/second.csv") || exit 1
xdotool windowactivate --sync "$dialog" key shift+Tab Down space Return # back from Import to the choice
wait_vault Secret1 ann old shop.example ann new https://shop.example "bob, jr" b-pw-2 mail.example ||
    fail "the new password did not replace bob's: $(file_hex "$WORK/data.enc")"
box=$(wait_window Keyshelf) || exit 1
xdotool windowactivate --sync "$box" key alt+y
wait_for 5 eval '[ ! -e "$WORK/second.csv" ]' || fail "Yes did not delete the CSV file"

close_window "$main"
wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"
echo "import: ok"
