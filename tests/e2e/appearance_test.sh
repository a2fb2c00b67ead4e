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

start_x
prepare_folder "$PROGRAM"
cp "$(dirname "$0")/../../Help.rtf" "$WORK/Help.rtf"
# A stand-in for the desktop's opener, first on the PATH, that notes what it was asked to open.
mkdir -p "$WORK/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s/opened"\n' "$WORK" >"$WORK/bin/xdg-open"
chmod +x "$WORK/bin/xdg-open"
export PATH="$WORK/bin:$PATH"
unset BROWSER DEFAULT_BROWSER

if [ -n "$PORT" ]; then
    "$BANNER_SERVER" "$PORT" >"$WORK/served" 2>&1 &
    SERVER_PID=$!
    trap 'kill $SERVER_PID 2>/dev/null; stop_x' EXIT
    for _ in $(seq 50); do grep -q '^listening' "$WORK/served" && break; sleep 0.1; done
    grep -q '^listening' "$WORK/served" || fail "the banner server could not listen on port $PORT"
fi


# First start: the help window comes over the main window with its box ticked.
"$WORK/keyshelf" 2>"$WORK/stderr" &
APP_PID=$!
log_in "Secret1" "Secret1"
main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1
help=$(wait_window "Readme/Help") || exit 1
sleep 3 # the banner page
shot "appearance-$NAME-help-at-first-start"
xdotool windowactivate --sync "$help"
xdotool key Tab space           # from the document to "Show at Startup": clear it
sleep 0.3
grep -q '^showHelp=0' "$WORK/config/Keyshelf/Keyshelf.ini" || fail "clearing the box did not store showHelp=0"
close_window "$help"
sleep 0.3
shot "appearance-$NAME-main-window-with-banner"
if [ -n "$PORT" ]; then
    grep -q '^/adserver.asp$' "$WORK/served" || fail "the banner did not ask the local server for /adserver.asp"
    # The page is drawn: its blue fills most of the band (470 by 63 pixels).
    blue=$(convert "$SHOTS/appearance-$NAME-main-window-with-banner.png" -fill black +opaque "#1f5fbf" \
        -fill white -opaque "#1f5fbf" -format "%[fx:round(mean*w*h)]" info:)
    [ "${blue:-0}" -gt 20000 ] || fail "the band does not show the page (${blue:-no} pixels of its colour)"
fi

main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1

# The website button opens the product's website through the desktop's opener.
xdotool windowactivate --sync "$main"
xdotool key Tab Tab Tab Return  # Add, Edit, Delete, then the website button
for _ in $(seq 50); do [ -s "$WORK/opened" ] && break; sleep 0.1; done
[ "$(head -n 1 "$WORK/opened" 2>/dev/null)" = "http://www.keyshelf.example" ] ||
    fail "the website button opened \"$(cat "$WORK/opened" 2>/dev/null)\""

about=$(open_about "$main") || exit 1 # from its menu
sleep 1
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
sleep 1
[ -n "$(xdotool search --onlyvisible --name '^Readme/Help$' 2>/dev/null)" ] && fail "the help window opened although its box was cleared"
close_window "$main"
wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"
APP_PID=
echo "appearance $NAME: ok"
