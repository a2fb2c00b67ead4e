#!/usr/bin/env bash
# A hostile page in the banner band of a real window: it navigates and clicks itself from timers, opens
# windows, loops over alert/confirm/prompt, floods the console and writes the clipboard on every event.
# None of it may show, launch, leak or log anything; the password the user copied stays on the clipboard;
# the user's own click on the band's link opens it once; and the window still answers.
# Usage: banner_attack_test.sh path/to/keyshelf path/to/banner_server path/to/make_vault screenshot-folder PORT
# (the program's banner address must be http://127.0.0.1:PORT/adserver.asp)
set -u
PROGRAM=$1
BANNER_SERVER=$2
MAKE_VAULT=$3
SHOTS=$4
PORT=$5
. "$(dirname "$0")/x11.sh"

start_x
prepare_folder "$PROGRAM"
help_off
mkdir -p "$WORK/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s/opened"\n' "$WORK" >"$WORK/bin/xdg-open"
chmod +x "$WORK/bin/xdg-open"
export PATH="$WORK/bin:$PATH"
unset BROWSER DEFAULT_BROWSER

"$BANNER_SERVER" "$PORT" hostile >"$WORK/served" 2>&1 &
SERVER_PID=$!
trap 'kill $SERVER_PID 2>/dev/null; stop_x' EXIT
for _ in $(seq 50); do grep -q '^listening' "$WORK/served" && break; sleep 0.1; done
grep -q '^listening' "$WORK/served" || fail "the banner server could not listen on port $PORT"

clipboard() {
    xclip -o -selection clipboard 2>/dev/null
}
# Every visible window's title but the main window's (a dialog, a page's window, a pop-up).
other_windows() {
    local id name
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
        name=$(xdotool getwindowname "$id" 2>/dev/null) || continue
        [ "$name" = "Keyshelf by Keyshelf Software" ] || echo "$name"
    done
}

start_logged_in "$MAKE_VAULT" "alice" "a-pw" "www.alice.example"
for _ in $(seq 100); do grep -q '^/adserver.asp$' "$WORK/served" && break; sleep 0.1; done
grep -q '^/adserver.asp$' "$WORK/served" || fail "the band did not ask for its page"
sleep 1
# The web view gives the main window a new native window: look it up again.
main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1
base=$(stat -c %s "$WORK/stderr")

# The user copies alice's password, then leaves the page to do its worst for a while.
xdotool windowactivate --sync "$main"
xdotool mousemove --window "$main" 20 241 click 1     # alice's row
xdotool mousemove --window "$main" 241 121 click 1    # Copy Password
sleep 0.3
[ "$(clipboard)" = "a-pw" ] || fail "copying the password gave \"$(clipboard)\""
sleep 6
shot banner-attack-after-6s
[ -z "$(other_windows)" ] || fail "the page showed windows: $(other_windows | tr '\n' ',')"
[ -e "$WORK/opened" ] && fail "the page started the browser by itself: $(cat "$WORK/opened")"
[ "$(clipboard)" = "a-pw" ] || fail "the page replaced the copied password with \"$(clipboard)\""

# The user clicks the band's link: it opens in the browser, once.
xdotool mousemove --window "$main" 240 182 click 1
for _ in $(seq 100); do [ -s "$WORK/opened" ] && break; sleep 0.1; done
sleep 2
[ "$(cat "$WORK/opened" 2>/dev/null)" = "http://www.keyshelf.example/offer" ] ||
    fail "a click on the band's link opened \"$(cat "$WORK/opened" 2>/dev/null)\", not the link once"
[ "$(clipboard)" = "a-pw" ] || fail "after a click in the band the clipboard holds \"$(clipboard)\""
[ -z "$(other_windows)" ] || fail "after a click the page showed windows: $(other_windows | tr '\n' ',')"

# The window still answers: Add opens the editor.
xdotool windowactivate --sync "$main"
xdotool mousemove --window "$main" 42 40 click 1
editor=$(wait_window "Add an entry") || fail "Add did not open the editor while the page ran"
close_window "$editor"
sleep 0.3

# The page asked the server for nothing but itself, and wrote nothing to the program's output.
served=$(grep -v '^listening' "$WORK/served" | sort -u | tr '\n' ' ')
[ "$served" = "/adserver.asp " ] || fail "the page made requests of its own: $served"
grown=$(( $(stat -c %s "$WORK/stderr") - base ))
[ "$grown" -lt 4096 ] || fail "the program's stderr grew by $grown bytes while the page ran"
grep -q "flood\|from the banner" "$WORK/stderr" && fail "the page's console reached stderr"

close_window "$main"
wait_gone "$APP_PID" 10 || fail "closing the main window did not end the program"
APP_PID=
echo "banner attack: ok"
