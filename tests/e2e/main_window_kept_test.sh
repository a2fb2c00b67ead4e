#!/usr/bin/env bash
# The main window keeps its native window while the banner band starts: from its first mapping until 5 s
# after the band shows its page, the window has one X id and is never unmapped (it does not vanish and come
# back). With PORT the band's page comes from the local test server and must be drawn; without it the
# build's own address is used and only the window is watched.
# Usage: main_window_kept_test.sh path/to/keyshelf path/to/make_vault path/to/banner_server screenshot-folder [PORT]
set -u
PROGRAM=$1
MAKE_VAULT=$2
BANNER_SERVER=$3
SHOTS=$4
PORT=${5:-}
. "$(dirname "$0")/x11.sh"

begin "$PROGRAM"
[ -n "$PORT" ] && start_banner_server "$PORT"

"$MAKE_VAULT" "$WORK/data.enc" "Secret1" "alice" "a-pw" "www.alice.example"
"$WORK/keyshelf" 2>"$WORK/stderr" &
APP_PID=$!
log_in "Secret1"

# The main window as the accepted password shows it: its first mapping after the gate closed.
wait_no_window "Password Required" 15
main=$(wait_window "Keyshelf by Keyshelf Software" 15) || exit 1
# Every 50 ms: the same native window, still on the screen (a window whose frame the window manager took
# down, or that was unmapped, is not viewable; a destroyed one is not found).
kept() {
    local state
    state=$(xwininfo -id "$main" 2>/dev/null | sed -n 's/^ *Map State: *//p')
    [ "$state" = "IsViewable" ] || fail "the main window $main went from the screen (${state:-destroyed}) $1"
}
# The band starts once the window is painted and asks for its page within a few seconds; without the
# test's server, nothing shows when it has, and the window is watched for 3 s. Every sample is 50 ms apart:
# this is a watch for something that must not happen, not a wait.
asked=""
for i in $(seq 300); do
    kept "while the band started"
    if [ -n "$PORT" ]; then
        grep -q '^/adserver.asp$' "$WORK/served" && asked=$i
    elif [ "$i" -ge 60 ]; then
        asked=$i
    fi
    [ -n "$asked" ] && break
    sleep 0.05
done
[ -n "$asked" ] || fail "the band did not ask for its page"
# 5 s on, with the page drawn.
for _ in $(seq 100); do
    kept "after the band showed its page"
    sleep 0.05
done
now=$(xdotool search --onlyvisible --name '^Keyshelf by Keyshelf Software$' 2>/dev/null | tr '\n' ' ')
[ "$now" = "$main " ] || fail "the main window was $main, now [$now]"
shot main-window-kept
if [ -n "$PORT" ]; then
    # The page is drawn in the band: its blue fills most of it (470 by 63 pixels).
    blue=$(convert "$SHOTS/main-window-kept.png" -fill black +opaque "#1f5fbf" \
        -fill white -opaque "#1f5fbf" -format "%[fx:round(mean*w*h)]" info:)
    [ "${blue:-0}" -gt 20000 ] || fail "the band does not show the page (${blue:-no} pixels of its colour)"
fi
close_window "$main"
wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"
APP_PID=
echo "main window kept: ok"
