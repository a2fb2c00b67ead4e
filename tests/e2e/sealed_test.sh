#!/usr/bin/env bash
# A sealed vault in real windows. Sealed by keyshelf-cli at the standard cost: the gate asks for the
# password once, the list shows the entries, an entry added in the window is saved sealed (keyshelf-cli
# lists it), an entry added by keyshelf-cli shows in the window, and Ctrl+L locks and the password
# unlocks. Sealed at the least cost (make_vault --sealed): three wrong passwords, each retried, end the
# program; a damaged one is refused at start, named, and left as it was. The texts of the dialog and the
# messages are read as a screen reader reads them.
# Usage: sealed_test.sh path/to/keyshelf path/to/keyshelf-cli path/to/make_vault screenshot-folder
set -u
PROGRAM=$1
CLI=$2
MAKE_VAULT=$3
SHOTS=$4
. "$(dirname "$0")/x11.sh"

begin "$PROGRAM"
cp "$CLI" "$WORK/keyshelf-cli" # beside the program: the same data.enc
VAULT="$WORK/data.enc"
# The first eight bytes of every sealed vault, as the vault core seals one.
"$MAKE_VAULT" --sealed "$WORK/probe.enc" "Secret1" || fail "make_vault failed"
MAGIC=$(file_hex "$WORK/probe.enc" | head -c 16)

# What a message box says is read as a screen reader reads it, from the accessibility bus of a session bus
# of the test's own; its folder is in $WORK, so that no other test's bus is met.
mkdir -m 700 "$WORK/run"
export XDG_RUNTIME_DIR="$WORK/run" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
own_session_bus
A11Y=$(gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus --method org.a11y.Bus.GetAddress |
    sed -n "s/^('\(.*\)',)$/\1/p")
[ -n "$A11Y" ] || fail "no accessibility bus"
# accessible_names [BUS PATH]: the name of every object under this one, one a line: what the windows show.
accessible_names() {
    local bus=${1:-org.a11y.atspi.Registry} path=${2:-/org/a11y/atspi/accessible/root}
    gdbus call --address "$A11Y" --dest "$bus" --object-path "$path" \
        --method org.freedesktop.DBus.Properties.Get org.a11y.atspi.Accessible Name
    gdbus call --address "$A11Y" --dest "$bus" --object-path "$path" --method org.a11y.atspi.Accessible.GetChildren |
        grep -o "'[^']*', \(objectpath \)\?'[^']*'" | sed "s/'\([^']*\)', \(objectpath \)\?'\([^']*\)'/\1 \3/" |
        while read -r bus path; do accessible_names "$bus" "$path"; done
}
# shows TEXT...: a window shows each TEXT.
shows() {
    local names text
    names=$(accessible_names 2>/dev/null)
    for text in "$@"; do
        grep -qF -- "$text" <<<"$names" || return 1
    done
}

# cli ANSWERS COMMAND...: keyshelf-cli with the master password and then ANSWERS on its standard input.
cli() {
    local answers=$1
    shift
    printf 'Secret1\n%s' "$answers" | "$WORK/keyshelf-cli" "$@"
}
text_hex() { printf '%s' "$1" | od -An -v -tx1 | tr -d ' \n'; }
# username_is FIRST|LAST TEXT: the list's own copy (Ctrl+C) of its first or last entry gives TEXT. The row is
# moved to from the other end: a row that is already the current one is not selected by its key alone.
username_is() {
    case "$1" in
    FIRST) xdotool key End Home ctrl+c ;;
    LAST) xdotool key Home End ctrl+c ;;
    esac
    clipboard_is "$2"
}
start_program() {
    "$WORK/keyshelf" 2>"$WORK/stderr" &
    APP_PID=$!
}
# ended_with STATUS: the program has ended, with this exit status.
ended_with() {
    wait_gone "$APP_PID" 5 || fail "the program did not end"
    wait "$APP_PID"
    local status=$?
    APP_PID=
    [ "$status" = "$1" ] || fail "the program ended with status $status, not $1"
}

STEP="the gate at the standard cost"
"$MAKE_VAULT" "$VAULT" "Secret1" "alice" "a-pw" "a.example" "bob" "b-pw" "b.example" || fail "make_vault failed"
cli "" seal >/dev/null || fail "keyshelf-cli seal failed"
[ "$(file_hex "$VAULT" | head -c 16)" = "$MAGIC" ] || fail "keyshelf-cli seal did not seal data.enc"
start_program
wait_window "Password Required" >/dev/null || exit 1
wait_for 10 shows "Please enter your password" || fail "$STEP: the dialog is not in its enter mode: $(accessible_names)"
shot sealed-gate
log_in "Secret1"
main=$(wait_window "Keyshelf by Keyshelf Software") || fail "$STEP: the right password did not open the list"
xdotool windowactivate --sync "$main" key Tab Tab Tab Tab # Edit, Delete, the website button, the list
wait_for 5 username_is FIRST "alice" || fail "$STEP: the first entry is \"$(clipboard)\", not alice"
wait_for 5 username_is LAST "bob" || fail "$STEP: the last entry is \"$(clipboard)\", not bob"

STEP="an entry added in the window"
before=$(file_hex "$VAULT")
xdotool key F10 Right Down Return # Data, opened at its first item: Add
wait_window "Add an entry" >/dev/null || fail "$STEP: Data > Add did not open the editor"
xdotool type --delay 20 "carol.sealed"
xdotool key Tab
xdotool type --delay 20 "c-pw Sealed9"
xdotool key Tab
xdotool type --delay 20 "carol.example"
xdotool key Return # Enter in the location box saves
wait_for 5 eval '[ "$(file_hex "$VAULT")" != "$before" ]' || fail "$STEP: data.enc was not saved"
saved=$(file_hex "$VAULT")
[ "${saved:0:16}" = "$MAGIC" ] || fail "$STEP: data.enc was saved unsealed: ${saved:0:32}"
for text in "carol.sealed" "c-pw Sealed9" "carol.example"; do
    [[ $saved != *"$(text_hex "$text")"* && $saved != *"$(enciphered_hex "$text")"* ]] ||
        fail "$STEP: the sealed data.enc holds \"$text\""
done
listed=$(cli "" ls) || fail "$STEP: keyshelf-cli ls failed"
grep -qx $'3\tcarol.sealed\tcarol.example' <<<"$listed" || fail "$STEP: keyshelf-cli ls lists: $listed"

STEP="an entry added by another program"
wait_no_window "Add an entry" || fail "the editor stayed open after Save"
cli $'d-pw\n' add --username dave --location d.example >/dev/null || fail "keyshelf-cli add failed"
xdotool windowactivate --sync "$main"
wait_for 5 username_is LAST "dave" || fail "$STEP: the list was not reloaded: its last entry is \"$(clipboard)\""

STEP="the lock"
xdotool key ctrl+l
wait_no_window "Keyshelf by Keyshelf Software" || fail "$STEP: the list stayed on the screen after Ctrl+L"
log_in "Secret1"
main=$(wait_window "Keyshelf by Keyshelf Software") || fail "$STEP: the password did not bring the list back"
wait_active "$main"
wait_for 5 username_is LAST "dave" || fail "$STEP: the list came back with \"$(clipboard)\" last, not dave"
close_window "$main"
ended_with 0

STEP="three wrong passwords"
"$MAKE_VAULT" --sealed "$VAULT" "Secret1" "alice" "a-pw" "a.example" || fail "make_vault failed"
before=$(file_hex "$VAULT")
start_program
dialog=$(wait_window "Password Required") || exit 1
xdotool windowactivate --sync "$dialog" key Tab Tab # Ok, Cancel, then the password box
for attempt in 1 2 3; do
    xdotool type --delay 20 "wrong$attempt"
    xdotool key Return
    box=$(wait_window "Incorrect Password") || exit 1
    [ "$attempt" = 1 ] && { wait_for 10 shows "Sorry, the password you entered was not correct." ||
        fail "$STEP: the box does not say the password was not correct: $(accessible_names)"; }
    xdotool windowactivate --sync "$box" key Return # Retry
    wait_no_window "Incorrect Password" || fail "$STEP: Retry did not close the message"
    [ "$attempt" = 3 ] || wait_active "$dialog" # the next password goes to the dialog, as typed
done
box=$(wait_window "Keyshelf") || exit 1
xdotool windowactivate --sync "$box" key Return
ended_with 1
[ "$(file_hex "$VAULT")" = "$before" ] || fail "$STEP: the wrong passwords changed data.enc"

STEP="a damaged vault"
"$MAKE_VAULT" --sealed "$VAULT" "Secret1" "alice" "a-pw" "a.example" || fail "make_vault failed"
byte=$(od -An -j20 -N1 -tu1 "$VAULT")
printf "\\x$(printf %02x $((byte ^ 0xff)))" | dd of="$VAULT" bs=1 seek=20 conv=notrunc status=none # in the salt
before=$(file_hex "$VAULT")
start_program
box=$(wait_window "Keyshelf" 15) || exit 1
shot sealed-damaged
wait_for 10 shows "$VAULT" "it was not changed" || fail "$STEP: no message names data.enc unchanged: $(accessible_names)"
window_id "Password Required" >/dev/null && fail "$STEP: the password was asked for"
xdotool windowactivate --sync "$box" key Return
ended_with 1
[ "$(file_hex "$VAULT")" = "$before" ] || fail "$STEP: data.enc was changed"
echo "sealed: ok"
