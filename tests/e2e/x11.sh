# Shared helpers for the real-window tests: a private X server with a window manager, and waiting for
# windows. Source this file; it stops what it started when the test exits.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

start_x() {
    local fd_file
    fd_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        [ -s "$fd_file" ] && break
        sleep 0.05
    done
    [ -s "$fd_file" ] || fail "Xvfb did not start"
    export DISPLAY=":$(cat "$fd_file")"
    rm -f "$fd_file"
    openbox >/dev/null 2>&1 &
    WM_PID=$!
    sleep 0.5
    trap stop_x EXIT
}

stop_x() {
    [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null
    [ -n "${WM_PID:-}" ] && kill "$WM_PID" 2>/dev/null
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
    [ -n "${WORK:-}" ] && rm -rf "$WORK"
}

# prepare_folder PROGRAM: a fresh folder $WORK holding the program, with a settings store of its own.
prepare_folder() {
    WORK=$(mktemp -d)
    cp "$1" "$WORK/keyshelf"
    export XDG_CONFIG_HOME="$WORK/config"
}

# help_off: the setting that keeps the help window closed at start-up.
help_off() {
    mkdir -p "$XDG_CONFIG_HOME/Keyshelf"
    printf '[Settings]\nshowHelp=0\n' >"$XDG_CONFIG_HOME/Keyshelf/Keyshelf.ini"
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

# wait_window NAME [SECONDS]: prints the id of the first visible window whose title is NAME.
wait_window() {
    local name=$1 limit=${2:-10} id
    for _ in $(seq $((limit * 10))); do
        id=$(xdotool search --onlyvisible --name "^${name}\$" 2>/dev/null | head -n 1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    fail "no window \"$name\" within ${limit}s"
}

# wait_gone PID [SECONDS]
wait_gone() {
    local pid=$1 limit=${2:-10}
    for _ in $(seq $((limit * 10))); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

shot() {
    mkdir -p "$SHOTS"
    import -window root "$SHOTS/$1.png"
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

# open_about MAIN: opens the about window from the main window's menu (the menu may take a moment to open
# while the banner loads) and prints its window id.
open_about() {
    for _ in 1 2 3; do
        xdotool windowactivate --sync "$1"
        xdotool mousemove --window "$1" 182 9 click 1
        sleep 1
        xdotool key Down Return
        sleep 0.5
        [ -n "$(xdotool search --onlyvisible --name '^About Keyshelf$' 2>/dev/null)" ] && break
        xdotool key Escape
    done
    wait_window "About Keyshelf"
}

# names_no_web_engine PROGRAM: the program's dynamic section names no Qt WebEngine library.
names_no_web_engine() {
    local needed
    needed=$(readelf -d "$1" | grep NEEDED) || fail "readelf could not read $1"
    echo "$needed" | grep -qi webengine && fail "the program names a web engine library: $needed"
    return 0
}
