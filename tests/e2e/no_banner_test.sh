#!/usr/bin/env bash
# A build without the banner: the program links nothing of Qt WebEngine (checked in its dynamic section
# and in every library it loads) and runs in a real window without any web engine process.
# Usage: no_banner_test.sh path/to/keyshelf path/to/make_vault screenshot-folder
set -u
PROGRAM=$1
MAKE_VAULT=$2
SHOTS=$3
. "$(dirname "$0")/x11.sh"

names_no_web_engine "$PROGRAM"
ldd "$PROGRAM" | grep -qi webengine && fail "the program loads a web engine library: $(ldd "$PROGRAM" | grep -i webengine)"

start_x
prepare_folder "$PROGRAM"
help_off
start_logged_in "$MAKE_VAULT" "alice" "a-pw" "www.alice.example"
sleep 2
shot no-banner-main-window
pgrep -P "$APP_PID" >/dev/null && fail "the program started other processes: $(pgrep -a -P "$APP_PID")"
grep -qi webengine "/proc/$APP_PID/maps" && fail "a web engine library is mapped into the program"
close_window "$main"
wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"
APP_PID=
echo "no banner: ok"
