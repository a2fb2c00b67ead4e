#!/usr/bin/env bash
# A build without the banner: it runs in a real window with the band's place blank, starts no other
# process, and opens no network connection (no socket of the program is a TCP one).
# Usage: no_banner_test.sh path/to/keyshelf path/to/make_vault screenshot-folder
set -u
PROGRAM=$1
MAKE_VAULT=$2
SHOTS=$3
. "$(dirname "$0")/x11.sh"

names_no_web_engine "$PROGRAM"

# tcp_sockets PID: the program's sockets that are TCP ones, by inode.
tcp_sockets() {
    local inodes
    inodes=$(ls -l "/proc/$1/fd" 2>/dev/null | sed -n 's/.*socket:\[\([0-9]*\)\]$/\1/p')
    [ -n "$inodes" ] || return 0
    awk 'NR > 1 {print $10}' /proc/"$1"/net/tcp /proc/"$1"/net/tcp6 2>/dev/null | grep -xF "$inodes"
}

begin "$PROGRAM"
start_logged_in "$MAKE_VAULT" "alice" "a-pw" "www.alice.example"
# Something that must not happen: watched for 2 s, as long as a band takes to ask for its page.
for _ in $(seq 20); do
    [ -z "$(tcp_sockets "$APP_PID")" ] || fail "the program opened a network connection"
    sleep 0.1
done
shot no-banner-main-window
pgrep -P "$APP_PID" >/dev/null && fail "the program started other processes: $(pgrep -a -P "$APP_PID")"
close_window "$main"
wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"
APP_PID=
echo "no banner: ok"
