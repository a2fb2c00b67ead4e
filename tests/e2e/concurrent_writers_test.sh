#!/usr/bin/env bash
# Several programs writing one vault at once: two, then four keyshelf-cli add loops, the window adding
# entries beside the four. Every add that was reported done is in the file at the end, once; every add
# that was not said so (status 1, a message) and is not in the file.
# Usage: concurrent_writers_test.sh path/to/keyshelf path/to/keyshelf-cli path/to/make_vault screenshot-folder
set -u
PROGRAM=$1
CLI=$2
MAKE_VAULT=$3
SHOTS=$4
. "$(dirname "$0")/x11.sh"

begin "$PROGRAM"
start_logged_in "$MAKE_VAULT" "first" "f-pw" "f.example"

# add_loop NAME COUNT: COUNT adds of entries NAME-1, NAME-2, ...; each one's outcome a line of $WORK/NAME.log:
# "done USERNAME" after "Added entry N." and status 0, "refused USERNAME MESSAGE" after status 1.
add_loop() {
    local i out status
    for ((i = 1; i <= $2; i++)); do
        out=$(printf 'Secret1\npw-%s-%d\n' "$1" "$i" |
            "$CLI" --vault "$WORK/data.enc" add --username "$1-$i" --location l.example 2>"$WORK/$1.err")
        status=$?
        if [ $status -eq 0 ] && [[ "$out" == "Added entry "*. ]]; then
            echo "done $1-$i"
        elif [ $status -eq 1 ] && [ -s "$WORK/$1.err" ] && [ -z "$out" ]; then
            echo "refused $1-$i $(cat "$WORK/$1.err")"
        else
            echo "WRONG $1-$i status $status, out \"$out\", err \"$(cat "$WORK/$1.err")\""
        fi
    done >"$WORK/$1.log"
}

# type_entry USERNAME: opens the editor with the Add button, types an entry (password pw-USERNAME) and
# presses Enter, as a person does; the editor's id in $editor.
type_entry() {
    xdotool windowactivate --sync "$main"
    xdotool mousemove --window "$main" 42 40 click 1
    editor=$(wait_window "Add an entry" 10) || fail "the editor did not open for $1"
    xdotool windowactivate --sync "$editor" key Tab Tab # Cancel, Save, then the username box
    xdotool type --delay 10 "$1"
    xdotool key Tab
    xdotool type --delay 10 "pw-$1"
    xdotool key Tab
    xdotool type --delay 10 "w.example"
    xdotool key Return
}
# window_add USERNAME: "done USERNAME" in $WORK/window.log once the editor closed, "refused USERNAME" when a
# message box told why not.
window_add() {
    local box
    type_entry "$1"
    wait_for 10 eval 'no_window "Add an entry" || [ -n "$(message_box)" ]' || fail "the editor hung on $1"
    box=$(message_box)
    if [ -n "$box" ]; then
        echo "refused $1 $(xdotool getwindowname "$box")" >>"$WORK/window.log"
        xdotool windowactivate --sync "$box" key Return
        xdotool windowactivate --sync "$editor" key Escape
        wait_no_window "Add an entry" || fail "the editor stayed open after a refused $1"
    else
        echo "done $1" >>"$WORK/window.log"
    fi
}
# A window of the program that is neither the main window nor the editor.
message_box() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null); do
        [ "$id" = "$main" ] || [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "Add an entry" ] || echo "$id"
    done | head -n 1
}

# running PID...: whether any of these processes still runs.
running() {
    local pid
    for pid in "$@"; do kill -0 "$pid" 2>/dev/null && return 0; done
    return 1
}

# check LOGS...: every add the logs say was done is in the file once, every refused one is not there.
check() {
    local verdict name rest held done=0 refused=0
    printf 'Secret1\n' | "$CLI" --vault "$WORK/data.enc" ls | cut -f2 | sort | uniq -c >"$WORK/held" ||
        fail "the vault could not be listed"
    for log in "$@"; do
        while read -r verdict name rest; do
            held=$(awk -v name="$name" '$2 == name { print $1 }' "$WORK/held")
            case "$verdict" in
            done)
                [ "${held:-0}" -eq 1 ] || fail "$name was reported added, and the file holds it ${held:-0} times"
                done=$((done + 1)) ;;
            refused)
                [ -z "$held" ] || fail "$name was refused ($rest), and is in the file"
                refused=$((refused + 1)) ;;
            *) fail "$verdict $name $rest" ;;
            esac
        done <"$log"
    done
    echo "$done adds done, $refused refused, none lost"
}

add_loop a 75 &
loops="$!"
add_loop b 75 &
wait "$!" $loops
check "$WORK/a.log" "$WORK/b.log"

loops=
for name in c d e f; do
    add_loop "$name" 40 &
    loops+=" $!"
done
: >"$WORK/window.log"
# The window adds for as long as the loops run (three at least).
i=0
while [ $i -lt 3 ] || { [ $i -lt 30 ] && running $loops; }; do
    i=$((i + 1))
    window_add "win-$i"
done
wait $loops
check "$WORK/c.log" "$WORK/d.log" "$WORK/e.log" "$WORK/f.log" "$WORK/window.log"
[ "$(grep -c '^done' "$WORK/window.log")" -ge 1 ] || fail "the window added nothing: $(cat "$WORK/window.log")"
shot concurrent-writers

# Another program keeps the lock: the companion waits a few seconds and says so, changing nothing; the
# window says so in a message box and keeps what was typed, which is saved once the lock is let go.
exec 9<>"$WORK/.data.enc.lock"
flock -n 9 || fail "the test could not take the lock"
cp "$WORK/data.enc" "$WORK/before.enc"
out=$(printf 'Secret1\npw\n' | "$CLI" --vault "$WORK/data.enc" add --username held --location h.example 2>&1)
status=$?
said="keyshelf-cli: Could not save $WORK/data.enc: another program is writing it, so nothing was changed."
[ $status -eq 1 ] && [ "$out" = "$said  Try again in a moment" ] ||
    fail "add while the lock was kept: status $status, \"$out\""
cmp -s "$WORK/before.enc" "$WORK/data.enc" || fail "add while the lock was kept changed the file"
type_entry held-w
wait_for 10 eval '[ -n "$(message_box)" ]' || fail "the window said nothing while the lock was kept"
shot concurrent-writers-kept
cmp -s "$WORK/before.enc" "$WORK/data.enc" || fail "the window's add while the lock was kept changed the file"
exec 9<&-
xdotool windowactivate --sync "$(message_box)" key Return
wait_for 5 eval '[ -z "$(message_box)" ]' || fail "the message box stayed"
xdotool windowactivate --sync "$editor" key Return # the location box has the focus again: Enter saves
wait_no_window "Add an entry" || fail "what was typed could not be saved once the lock was let go"
printf 'Secret1\n' | "$CLI" --vault "$WORK/data.enc" show held-w --password | grep -qx 'Password: pw-held-w' ||
    fail "the entry typed while the lock was kept is not in the file"

close_window "$main"
wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"
APP_PID=
echo "concurrent writers: ok"
