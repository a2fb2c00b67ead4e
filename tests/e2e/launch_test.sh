#!/usr/bin/env bash
# Programs Keyshelf starts in real use (the desktop's opener, from the website button and from Go To)
# get standard input, output and error and nothing else of Keyshelf's, while the banner band loads; Keyshelf
# starts no process but those openers; and when the main window closes, Keyshelf ends although the openers
# it started still run.
# Usage: launch_test.sh path/to/keyshelf path/to/make_vault screenshot-folder
set -u
. "$(dirname "$0")/x11.sh"
begin_with_vaults "$@"

# A stand-in for the desktop's opener, first on the PATH. It notes its arguments and its open descriptors
# (listed by a shell of their own: a redirection in the stand-in would add descriptors to the list),
# then stays, as a browser would, as a sleep that keeps what it was given.
OPENER="$WORK/bin/xdg-open"
mkdir -p "$WORK/opened"
stand_in_opener "$(cat <<EOF
#!/bin/sh
sh -c 'exec ls -l "/proc/\$1/fd" >"\$2"' - \$\$ "$WORK/opened/\$\$.fds.tmp"
printf '%s\n' "\$#" "\$@" >"$WORK/opened/\$\$.args"
mv "$WORK/opened/\$\$.fds.tmp" "$WORK/opened/\$\$.fds"
exec sleep 30
EOF
)"

# The stand-ins were started for this test: they end with it.
stop_openers() {
    local f
    for f in "$WORK"/opened/*.fds; do
        [ -e "$f" ] && kill "$(basename "$f" .fds)" 2>/dev/null
    done
}
on_exit() { stop_openers; }

# descendants PID: every process below PID.
descendants() {
    local child
    for child in $(ps -o pid= --ppid "$1"); do
        echo "$child"
        descendants "$child"
    done
}

# opened [PID...]: prints the process id of a stand-in, other than the PIDs given, that has noted what it
# was given; status 1 if there is none.
opened() {
    local f pid
    for f in "$WORK"/opened/*.fds; do
        [ -e "$f" ] || continue
        pid=$(basename "$f" .fds)
        case " $* " in *" $pid "*) continue ;; esac
        echo "$pid"
        return 0
    done
    return 1
}
wait_opened() { wait_for 10 opened "$@" || fail "the opener was not started"; }

# check_opener PID ADDRESS WHAT: the stand-in got ADDRESS as its one argument, standard input from
# /dev/null, only descriptors 0, 1 and 2 (besides the shell's hold on its own script), and a session of
# its own; as the sleep it became it still holds only 0, 1 and 2.
check_opener() {
    local pid=$1 address=$2 what=$3 fd target fds
    [ "$(cat "$WORK/opened/$pid.args")" = "$(printf '1\n%s' "$address")" ] ||
        fail "$what: the opener was given \"$(cat "$WORK/opened/$pid.args")\", not the one argument $address"
    echo "$what: the opener's descriptors:"
    sed 's/^/    /' "$WORK/opened/$pid.fds"
    while read -r fd target; do
        case "$fd" in
        0) [ "$target" = /dev/null ] || fail "$what: standard input is $target, not /dev/null" ;;
        1 | 2) ;;
        *) [ "$target" = "$OPENER" ] || fail "$what: descriptor $fd ($target) was handed to the opener" ;;
        esac
    done < <(sed -n 's/.* \([0-9][0-9]*\) -> \(.*\)$/\1 \2/p' "$WORK/opened/$pid.fds")
    grep -q ' 0 -> ' "$WORK/opened/$pid.fds" || fail "$what: the opener has no standard input"
    [ "$(awk '{ sub(/.*\) /, ""); print $4 }' "/proc/$pid/stat")" = "$pid" ] ||
        fail "$what: the opener is not in a session of its own"
    wait_for 5 eval '[ "$(cat "/proc/$pid/comm" 2>/dev/null)" = sleep ]'
    fds=$(ls "/proc/$pid/fd" | sort -n | tr '\n' ' ')
    [ "$fds" = "0 1 2 " ] || fail "$what: the opener, sleeping, holds descriptors $fds"
}

"$MAKE_VAULT" "$WORK/data.enc" "Secret1" "alice" "a-pw" "www.alice.example" "bob" "b-pw" "Office PC" ||
    fail "make_vault failed"
"$WORK/keyshelf" 2>"$WORK/stderr" &
APP_PID=$!
log_in "Secret1"
# The band asks for its page (an address that cannot be reached here) once the window has painted.
main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1

# The website button, with the focus where it starts, on Add.
xdotool windowactivate --sync "$main"
xdotool key Tab Tab Tab Return # Edit, Delete, then the website button
website=$(wait_opened) || exit 1
check_opener "$website" "http://www.keyshelf.example" "website button"

# Go To on alice's entry, from the website button on (the website launcher shows no window of its own).
xdotool windowactivate --sync "$main"
xdotool key Tab End Home Tab Tab Return   # the list, alice selected, Copy Username, Go To
goto=$(wait_opened "$website") || exit 1
check_opener "$goto" "http://www.alice.example" "Go To"
shot launch-after-goto

# Nothing runs below Keyshelf but the two openers (and what they started).
others=$(descendants "$APP_PID" | grep -vxF -e "$website" -e "$goto" -e "$(descendants "$website")" -e "$(descendants "$goto")")
[ -z "$others" ] || fail "Keyshelf started other processes: $(for p in $others; do tr '\0' ' ' <"/proc/$p/cmdline"; echo; done)"
# Closing the main window ends Keyshelf, while both openers still run.
close_window "$main"
wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"
APP_PID=
for pid in "$website" "$goto"; do
    kill -0 "$pid" 2>/dev/null || fail "the opener $pid ended with Keyshelf; the test proves nothing"
done
echo "launch: ok"
