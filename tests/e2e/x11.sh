# Shared helpers for the real-window tests: a private X server with a window manager, and waiting for
# windows. Source this file; it stops what it started when the test exits.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# wait_for SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds; status 1 if SECONDS pass first.
# Every wait of these tests is one of these: for a window, a file's bytes, the clipboard, a process.
wait_for() {
    local deadline=$(($(now_us) + $1 * 1000000))
    shift
    until "$@"; do
        [ "$(now_us)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}
now_us() { echo "${EPOCHREALTIME//[!0-9]/}"; }

start_x() {
    local fd_file
    fd_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
    XVFB_PID=$!
    wait_for 5 test -s "$fd_file" || fail "Xvfb did not start"
    export DISPLAY=":$(cat "$fd_file")"
    rm -f "$fd_file"
    trap stop_x EXIT
    # The window manager is ready once it has announced itself on the root window: windows mapped before
    # then get no frame or focus. On a busy machine it sometimes cannot open the display at its first try.
    WM_LOG=$(mktemp)
    local attempt
    for attempt in 1 2 3; do
        openbox >"$WM_LOG" 2>&1 &
        WM_PID=$!
        wait_for 10 eval 'wm_ready || ! kill -0 "$WM_PID" 2>/dev/null'
        wm_ready && return 0
        kill "$WM_PID" 2>/dev/null
        echo "the window manager did not start at try $attempt: $(cat "$WM_LOG")"
    done
    fail "the window manager did not start: $(cat "$WM_LOG")"
}
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }

# stop_x: ends what the test started (the program, a banner server, a session bus, the X server) and removes $WORK; a
# test with more to undo defines on_exit.
stop_x() {
    declare -F on_exit >/dev/null && on_exit
    [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null
    [ -n "${SERVER_PID:-}" ] && kill "$SERVER_PID" 2>/dev/null
    [ -n "${BUS_PID:-}" ] && kill "$BUS_PID" 2>/dev/null
    [ -n "${WM_PID:-}" ] && kill "$WM_PID" 2>/dev/null
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait_gone "$XVFB_PID" 5
    [ -n "${WM_LOG:-}" ] && rm -f "$WM_LOG"
    [ -n "${WORK:-}" ] && rm -rf "$WORK"
}

# prepare_folder PROGRAM: a fresh folder $WORK holding the program, with a settings store of its own.
prepare_folder() {
    WORK=$(mktemp -d)
    cp "$1" "$WORK/keyshelf"
    # The band's renderer goes with the program, which finds it beside itself.
    if [ -x "$(dirname "$1")/keyshelf-band" ]; then cp "$(dirname "$1")/keyshelf-band" "$WORK/"; fi
    export XDG_CONFIG_HOME="$WORK/config"
}

# help_off: the setting that keeps the help window closed at start-up.
help_off() {
    mkdir -p "$XDG_CONFIG_HOME/Keyshelf"
    printf '[Settings]\nshowHelp=0\n' >"$XDG_CONFIG_HOME/Keyshelf/Keyshelf.ini"
}

# begin PROGRAM [help-file] [first-start]: the common start of a real-window test: the X server, and the
# program in a fresh folder. help-file puts Help.rtf beside it (the help window opens only then);
# first-start leaves the settings store empty, as on a user's first start, instead of switching the help off.
begin() {
    local program=$1 option
    shift
    start_x
    prepare_folder "$program"
    for option in "$@"; do
        case "$option" in
        help-file) cp "$E2E_DIR/../../Help.rtf" "$WORK/Help.rtf" ;;
        first-start) local fresh=1 ;;
        *) fail "begin: unknown option $option" ;;
        esac
    done
    [ -n "${fresh:-}" ] || help_off
}
E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# begin_with_vaults PROGRAM MAKE_VAULT SHOTS: begin, for a test given the program, the vault maker and the
# screenshots' folder, which it names PROGRAM, MAKE_VAULT and SHOTS.
begin_with_vaults() {
    [ $# -eq 3 ] || fail "usage: $(basename "$0") path/to/keyshelf path/to/make_vault screenshot-folder"
    PROGRAM=$1 MAKE_VAULT=$2 SHOTS=$3
    begin "$PROGRAM"
}

# own_session_bus: a session bus of the test's own for the program it starts, so that the desktop's bus,
# if any, hears nothing of it; and logind's screen lock, which is the desktop's, out of the program's reach.
own_session_bus() {
    local bus
    bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1) || fail "no session bus could be started"
    BUS_PID=$(echo "$bus" | sed -n 2p)
    DBUS_SESSION_BUS_ADDRESS=$(echo "$bus" | sed -n 1p)
    export DBUS_SESSION_BUS_ADDRESS
    unset XDG_SESSION_ID
}

# stand_in_opener [SCRIPT]: a stand-in for the desktop's opener, first on the PATH; by default it notes
# each address it is asked to open as a line of $WORK/opened.
stand_in_opener() {
    mkdir -p "$WORK/bin"
    if [ $# -gt 0 ]; then
        printf '%s\n' "$1" >"$WORK/bin/xdg-open"
    else
        printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s/opened"\n' "$WORK" >"$WORK/bin/xdg-open"
    fi
    chmod +x "$WORK/bin/xdg-open"
    export PATH="$WORK/bin:$PATH"
    unset BROWSER DEFAULT_BROWSER
}

# start_banner_server PORT [CASE]: the test's banner server, its log in $WORK/served, once it listens.
start_banner_server() {
    "$BANNER_SERVER" "$@" >"$WORK/served" 2>&1 &
    SERVER_PID=$!
    wait_for 5 grep -q '^listening' "$WORK/served" || fail "the banner server could not listen on port $1"
}

# log_in PASSWORD [RETYPE]: types into the password dialog (and its second box on a first run) and
# presses Enter.
log_in() {
    local dialog
    dialog=$(wait_window "Password Required" 15) || exit 1
    xdotool windowactivate --sync "$dialog"
    xdotool key Tab Tab # Ok, Cancel, then the password box
    xdotool type --delay 20 "$1"
    if [ $# -gt 1 ]; then
        xdotool key Tab
        xdotool type --delay 20 "$2"
    fi
    xdotool key Return
}

# start_logged_in MAKE_VAULT [USERNAME PASSWORD LOCATION]...: writes $WORK/data.enc with the master password
# "Secret1" and these entries, starts the program with its stderr in $WORK/stderr, logs in, and sets
# APP_PID and main (the main window's id).
start_logged_in() {
    local make_vault=$1
    shift
    "$make_vault" "$WORK/data.enc" "Secret1" "$@" || fail "make_vault failed"
    "$WORK/keyshelf" 2>"$WORK/stderr" &
    APP_PID=$!
    log_in "Secret1"
    main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1
}

# window_id NAME: prints the id of the first visible window whose title is NAME; status 1 if there is none.
window_id() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 | grep .
}

# wait_window NAME [SECONDS]: prints the id of the first visible window whose title is NAME, once it shows.
wait_window() {
    wait_for "${2:-10}" window_id "$1" || fail "no window \"$1\" within ${2:-10}s"
}

no_window() { ! window_id "$1" >/dev/null; }

# wait_no_window NAME [SECONDS]: until no visible window has the title NAME.
wait_no_window() { wait_for "${2:-5}" no_window "$1"; }

is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }

# wait_active WINDOW: until the window has the focus, so that keys go to it.
wait_active() { wait_for 5 is_active "$1" || fail "the window $1 ($(xdotool getwindowname "$1" 2>/dev/null)) did not get the focus"; }

# wait_gone PID [SECONDS]: until the process has ended.
wait_gone() { wait_for "${2:-10}" eval "! kill -0 $1 2>/dev/null"; }

clipboard() { xclip -o -selection clipboard 2>/dev/null; }
clipboard_is() { [ "$(clipboard)" = "$1" ]; }

# wait_clipboard TEXT [SECONDS]: until the clipboard holds TEXT.
wait_clipboard() { wait_for "${2:-5}" clipboard_is "$1"; }

# wait_vault MASTER [USERNAME PASSWORD LOCATION]...: until data.enc holds exactly the vault $MAKE_VAULT writes
# of this master password and these entries (5 s at most); the expected vault is left in $WORK/expected.enc.
wait_vault() {
    "$MAKE_VAULT" "$WORK/expected.enc" "$@" || fail "make_vault failed"
    wait_for 5 cmp -s "$WORK/expected.enc" "$WORK/data.enc"
}

# shot NAME [WINDOW]: a screenshot of the screen, or of WINDOW without the window manager's frame, in
# $SHOTS/NAME.png. Taken once two pictures in a row are alike, so that what was just shown has been painted;
# a screen that keeps changing is taken as it is after 5 s.
shot() {
    local pictures="$SHOTS/.$1" deadline=$(($(now_us) + 5000000))
    mkdir -p "$SHOTS"
    import -window "${2:-root}" "$pictures.ppm" || fail "no screenshot of $1"
    while [ "$(now_us)" -lt "$deadline" ]; do
        import -window "${2:-root}" "$pictures.next.ppm" || fail "no screenshot of $1"
        cmp -s "$pictures.ppm" "$pictures.next.ppm" && break
        mv "$pictures.next.ppm" "$pictures.ppm"
    done
    convert "$pictures.ppm" "$SHOTS/$1.png" || fail "no screenshot of $1"
    rm -f "$pictures.ppm" "$pictures.next.ppm"
}

# The bytes of a text as data.enc stores it (ASCII only), in hex.
enciphered_hex() {
    local text=$1 i out=""
    for ((i = 0; i < ${#text}; i++)); do
        out+=$(printf '%02x' $(( $(printf '%d' "'${text:i:1}") ^ 0x80 )))
    done
    echo "$out"
}

file_hex() {
    od -An -v -tx1 "$1" | tr -d ' \n'
}

# Closes a window as its close box does (the window manager's close, Alt+F4 in openbox).
close_window() {
    xdotool windowactivate --sync "$1" 2>/dev/null
    xdotool key alt+F4
}

# open_about MAIN: opens the about window by keyboard from the main window's menu bar (F10, along to the
# About menu, Enter opens it and Enter takes its one item) and prints its window id. Tried again if the menu did not answer
# in time (it may be slow while the band loads its page).
open_about() {
    local attempt
    for attempt in 1 2 3; do
        xdotool windowactivate --sync "$1"
        xdotool key F10 Right Right Right Right Return Return # File, Data, Copy, Help, About: opened, its item
        wait_for 5 window_id "About Keyshelf" && return 0
        xdotool key Escape Escape
    done
    fail "the about window did not open from the menu"
}

# names_no_web_engine PROGRAM: the program's dynamic section names no Qt WebEngine library.
names_no_web_engine() {
    local needed
    needed=$(readelf -d "$1" | grep NEEDED) || fail "readelf could not read $1"
    echo "$needed" | grep -qi webengine && fail "the program names a web engine library: $needed"
    return 0
}
