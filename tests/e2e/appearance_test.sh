#!/usr/bin/env bash
# The appearance in real windows: the help window at the first start and its box, the banner band, the
# website button and the about window, with screenshots of each.
# Usage: appearance_test.sh path/to/keyshelf path/to/banner_server screenshot-folder NAME [PORT]
# With PORT, the build's banner address is http://127.0.0.1:PORT/adserver.asp and the band must show the
# page the test serves there.
set -u
PROGRAM=$1
BANNER_SERVER=$2
SHOTS=$3
NAME=$4
PORT=${5:-}
. "$(dirname "$0")/x11.sh"

begin "$PROGRAM" help-file first-start
stand_in_opener
[ -n "$PORT" ] && start_banner_server "$PORT"
# band_blue: how many pixels of the screen have the blue of the test server's page.
band_blue() {
    import -window root "$WORK/screen.png" &&
        convert "$WORK/screen.png" -fill black +opaque "#1f5fbf" -fill white -opaque "#1f5fbf" \
            -format "%[fx:round(mean*w*h)]" info:
}

# First start: the help window comes over the main window with its box ticked.
"$WORK/keyshelf" 2>"$WORK/stderr" &
APP_PID=$!
log_in "Secret1" "Secret1"
main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1
help=$(wait_window "Readme/Help") || exit 1
# With the test server, the band's page is waited for, to be in the picture.
[ -n "$PORT" ] && { wait_for 10 grep -q '^/adserver.asp$' "$WORK/served" ||
    fail "the banner did not ask the local server for /adserver.asp"; }
shot "appearance-$NAME-help-at-first-start"
xdotool windowactivate --sync "$help"
xdotool key Tab space           # from the document to "Show at Startup": clear it
wait_for 5 grep -q '^showHelp=0' "$WORK/config/Keyshelf/Keyshelf.ini" || fail "clearing the box did not store showHelp=0"
close_window "$help"
wait_no_window "Readme/Help" || fail "the help window did not close"
if [ -n "$PORT" ]; then
    # The page is drawn: its blue fills most of the band (470 by 63 pixels).
    wait_for 10 eval '[ "$(band_blue)" -gt 20000 ]' ||
        fail "the band does not show the page ($(band_blue) pixels of its colour)"
fi
shot "appearance-$NAME-main-window-with-banner"

main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1

# The website button opens the product's website through the desktop's opener.
xdotool windowactivate --sync "$main"
xdotool key Tab Tab Tab Return  # Add, Edit, Delete, then the website button
wait_for 5 test -s "$WORK/opened"
[ "$(head -n 1 "$WORK/opened" 2>/dev/null)" = "http://www.keyshelf.example" ] ||
    fail "the website button opened \"$(cat "$WORK/opened" 2>/dev/null)\""

about=$(open_about "$main") || exit 1 # from its menu
shot "appearance-$NAME-about-window"
close_window "$about"
close_window "$main"
wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"
# A quiet terminal: what is left is the desktop's (no runtime folder in this test's session).
noise=$(grep -v -e "^QStandardPaths: XDG_RUNTIME_DIR not set" "$WORK/stderr")
[ -z "$noise" ] || fail "the program wrote to the terminal: $(head -c 2000 <<<"$noise")"

# Next start: the help window stays closed.
"$WORK/keyshelf" 2>/dev/null &
APP_PID=$!
log_in "Secret1"
main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1
# A window that must not open: watched for a second (on the first start it came with the main window).
sleep 1
window_id "Readme/Help" >/dev/null && fail "the help window opened although its box was cleared"
close_window "$main"
wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"
APP_PID=
echo "appearance $NAME: ok"
