#!/usr/bin/env bash
# One Keyshelf per vault, in real windows: a second start on a vault that is open (here through a link to
# its folder) ends at once with status 0, says so in one line on standard error, leaves data.enc as it was
# and brings the open one's window back from the taskbar, active; a copy in another folder is another vault and runs beside it; a socket left by
# a killed Keyshelf does not stop the next start; and of two starts at the same moment one runs.
# Usage: single_instance_test.sh path/to/keyshelf path/to/make_vault screenshot-folder
set -u
PROGRAM=$1
MAKE_VAULT=$2
SHOTS=$3
. "$(dirname "$0")/x11.sh"

# How long a second start may take: the hand-over's half second plus the start of a Qt process, which a
# busy machine or a sanitizer build makes slower.
LIMIT_MS=$((500 + ${KEYSHELF_START_SLACK_MS:-1000}))

begin "$PROGRAM"
on_exit() { [ -n "${OTHER_PID:-}" ] && kill "$OTHER_PID" 2>/dev/null; }
# A runtime folder of the test's own, shared by every start below as a desktop session's is.
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
ln -s "$WORK" "$WORK/alias"
mkdir "$WORK/other"
cp "$WORK/keyshelf" "$WORK/other/"

# dialog_of PID: the id of that process's password dialog, once it shows.
dialog_shown() {
    xdotool search --all --onlyvisible --pid "$1" --name '^Password Required$' 2>/dev/null | head -n 1 | grep . ||
        { kill -0 "$1" 2>/dev/null || fail "process $1 ended before its password dialog showed"; return 1; }
}
dialog_of() { wait_for 15 dialog_shown "$1" || fail "process $1 showed no password dialog within 15s"; }

# start_again PATH: starts the program at PATH while another has its vault; it must end with status 0
# within the limit, print nothing on standard output and say on standard error that it brought the open
# one to the front. Sets took_ms.
start_again() {
    local result="$WORK/result" rc said
    rm -f "$result"
    (
        begin=$(date +%s%N)
        timeout 10 "$1" >"$WORK/stdout-again" 2>"$WORK/stderr-again"
        rc=$?
        echo "$rc $((($(date +%s%N) - begin) / 1000000))" >"$result.part"
        mv "$result.part" "$result"
    ) &
    wait_for 12 test -s "$result" || fail "the second start of $1 did not end"
    read -r rc took_ms <"$result"
    [ "$rc" = 0 ] || fail "the second start of $1 ended with status $rc"
    [ "$took_ms" -le "$LIMIT_MS" ] || fail "the second start of $1 took ${took_ms} ms (limit ${LIMIT_MS} ms)"
    [ -s "$WORK/stdout-again" ] && fail "the second start printed on standard output: $(cat "$WORK/stdout-again")"
    said=$(grep -c "^Keyshelf is already open on $(realpath "$WORK")/data.enc: its window was brought to the front\.$" \
        "$WORK/stderr-again")
    [ "$said" = 1 ] || fail "the second start did not say it brought the open one to the front: $(cat "$WORK/stderr-again")"
}

stamp() {
    [ -e "$1" ] && echo "$(file_hex "$1") $(stat -c %y "$1")" || echo absent
}

# The first start on a prepared vault, and a copy of the program in another folder: another vault.
"$MAKE_VAULT" "$WORK/data.enc" "Secret1" "alice" "pw1" "Office PC" || fail "make_vault failed"
"$WORK/keyshelf" 2>"$WORK/stderr" &
APP_PID=$!
first=$(dialog_of "$APP_PID") || exit 1
"$WORK/other/keyshelf" 2>/dev/null &
OTHER_PID=$!
other=$(dialog_of "$OTHER_PID") || exit 1
before=$(stamp "$WORK/data.enc")
other_before=$(stamp "$WORK/other/data.enc")

# The first one's dialog minimized, the other's active: a start through the link brings the first back.
xdotool windowminimize --sync "$first"
xdotool windowactivate --sync "$other"
[ "$(xdotool getactivewindow)" = "$first" ] && fail "the first dialog was active before the second start"
start_again "$WORK/alias/keyshelf"
echo "second start on an open vault ended in ${took_ms} ms"
# Active, and on top: the last of the window manager's stacking list.
top_window() {
    xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*, //; s/.*# //'
}
raised() {
    active=$(xdotool getactivewindow 2>/dev/null)
    [ "$active" = "$first" ] && [ "$(top_window)" = "$(printf '0x%x' "$first")" ]
}
wait_for 5 raised
[ "$active" = "$first" ] || fail "the open Keyshelf's dialog is not active after the second start (active: $active)"
[ "$(top_window)" = "$(printf '0x%x' "$first")" ] || fail "the open Keyshelf's dialog is not on top"
[ "$(xdotool getwindowname "$active")" = "Password Required" ] || fail "the active window is not the password dialog"
[ -n "$(xdotool search --all --onlyvisible --pid "$APP_PID" --name '^Password Required$')" ] ||
    fail "the open Keyshelf's dialog is still minimized"
shot single-instance-raised
kill -0 "$APP_PID" 2>/dev/null || fail "the open Keyshelf ended"
kill -0 "$OTHER_PID" 2>/dev/null || fail "the copy in another folder ended"
[ "$(stamp "$WORK/data.enc")" = "$before" ] || fail "the second start changed data.enc"
[ "$(stamp "$WORK/other/data.enc")" = "$other_before" ] || fail "the second start changed the other vault"
[ "$(xdotool search --onlyvisible --name '^Password Required$' | wc -l)" = 2 ] ||
    fail "another password dialog showed"

# Killed, the first leaves its socket; the next start on its vault runs all the same, and answers in turn.
kill -9 "$APP_PID"
wait_gone "$APP_PID" 5 || fail "the first Keyshelf did not die"
ls "$XDG_RUNTIME_DIR"/*.socket >/dev/null 2>&1 || fail "no socket was left behind to test with"
"$WORK/keyshelf" 2>>"$WORK/stderr" &
APP_PID=$!
dialog_of "$APP_PID" >/dev/null || exit 1
start_again "$WORK/keyshelf"
echo "second start after a stale socket ended in ${took_ms} ms"
kill -0 "$APP_PID" 2>/dev/null || fail "the restarted Keyshelf ended"
[ "$(stamp "$WORK/data.enc")" = "$before" ] || fail "data.enc changed"

# Two starts at the same moment on a vault that is not open: one runs, the other hands over to it.
kill "$APP_PID"
wait_gone "$APP_PID" 5 || fail "the restarted Keyshelf did not end"
"$WORK/keyshelf" 2>>"$WORK/stderr" &
one=$!
"$WORK/keyshelf" 2>>"$WORK/stderr" &
two=$!
wait_for $(((LIMIT_MS + 999) / 1000)) eval '! kill -0 "$one" 2>/dev/null || ! kill -0 "$two" 2>/dev/null'
if kill -0 "$one" 2>/dev/null; then APP_PID=$one ended=$two; else APP_PID=$two ended=$one; fi
kill -0 "$ended" 2>/dev/null && fail "both simultaneous starts are still running"
wait "$ended" || fail "the simultaneous start that handed over ended with status $?"
dialog_of "$APP_PID" >/dev/null || exit 1
# Counted until it settles: a dialog going into the topmost band may be mapped anew for a moment.
# (Counted in the wait itself: a search may fail while a window goes, and a count taken after could be that.)
two_dialogs() { dialogs=$(xdotool search --onlyvisible --name '^Password Required$' | wc -l); [ "$dialogs" = 2 ]; }
wait_for 5 two_dialogs
[ "$dialogs" = 2 ] || fail "the simultaneous starts left $dialogs dialogs, not one beside the other copy's"
[ "$(stamp "$WORK/data.enc")" = "$before" ] || fail "data.enc changed"
echo "single instance: ok"
