# Shared helpers for running a command-line program at a terminal: a pseudo-terminal from `script`, its
# input a FIFO held open until the program has ended (at the end of its input `script` may end the
# program before it has printed), each answer sent only once its question shows, so that nothing is typed
# before echo is off. Source this file after x11.sh (fail) with WORK set; the screen is in $PTY.
PTY="$WORK/pty"
pty_start() { # pty_start COMMAND: runs the shell command at a terminal
    rm -f "$WORK/fifo" && mkfifo "$WORK/fifo"
    # Emptied here, not only by the redirection below: that waits for the FIFO to open, and until then the
    # last run's screen would answer pty_wait, and an answer typed before echo is off is lost.
    : >"$PTY"
    SHELL=/bin/bash script -qec "$1" /dev/null <"$WORK/fifo" >"$PTY" 2>&1 &
    PTY_PID=$!
    exec 9>"$WORK/fifo"
}
pty_wait() { # pty_wait TEXT [COUNT]: until the screen shows TEXT COUNT times (5 s at most)
    local deadline=$((SECONDS + 5))
    until [ "$(grep -oF -- "$1" "$PTY" | wc -l)" -ge "${2:-1}" ]; do
        [ $SECONDS -lt $deadline ] || fail "the terminal never showed '$1': $(cat -A "$PTY")"
        sleep 0.02
    done
}
pty_type() { printf '%s\r' "$1" >&9; }
pty_end() { # pty_end: the program's status in $rc, once it has ended (10 s at most)
    local deadline=$((SECONDS + 10))
    while kill -0 "$PTY_PID" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || { kill "$PTY_PID"; fail "the program at the terminal did not end: $(cat -A "$PTY")"; }
        sleep 0.02
    done
    wait "$PTY_PID"
    rc=$?
    exec 9>&-
}
