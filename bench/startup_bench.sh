#!/usr/bin/env bash
# Start-up as the user meets it: a fresh Keyshelf process against a plain Qt Widgets program
# (plain_window) that shows windows of the same sizes, alternating, under a private Xvfb with openbox.
#  - time from the fork before exec to the first window being viewable (Keyshelf's splash; the plain
#    window), timed by map_watch from the X server's own map events;
#  - memory (RSS and PSS from /proc/PID/smaps_rollup) once the "Password Required" dialog shows, against
#    the plain program's once its second window (the same size and title) shows.
# Caches are warm, not cold: one unrecorded run of each comes first, and the files stay in the page cache.
# Figures are ratios of medians from this one run, for people to read; nothing here is a pass or fail.
# Reading the memory of Keyshelf needs root: the program makes itself not dumpable.
# Usage: startup_bench.sh path/to/keyshelf path/to/plain_window path/to/make_vault [runs]   (5 runs)
# map_watch is taken from beside plain_window, or from $MAP_WATCH.
set -u
PROGRAM=$1
PLAIN=$2
MAKE_VAULT=$3
RUNS=${4:-5}
MAP_WATCH=${MAP_WATCH:-$(dirname "$PLAIN")/map_watch}
. "$(dirname "$0")/../tests/e2e/x11.sh"
[ -x "$MAP_WATCH" ] || fail "no map_watch at $MAP_WATCH"

start_x
prepare_folder "$PROGRAM"
help_off
"$MAKE_VAULT" "$WORK/data.enc" "Secret1" \
    "alice@mail.example" "s3cret-Alice" "https://mail.example/login" \
    "bob" "hunter2" "Office PC" \
    "carol" "pa55-Carol" "https://shop.example" >/dev/null || fail "make_vault failed"
cp "$PLAIN" "$WORK/plain_window"

# gone PID: the process has ended (it is no child of ours, so it may linger as a zombie until reaped).
gone() {
    local state
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 0
    [ -z "$state" ] || [ "$state" = Z ]
}

# measure PROGRAM NAME: one start; appends the time to map (ms) and the memory (kB) to NAME's lists.
measure() {
    local program=$1 name=$2 pid us title rss pss dialog="" measured
    # Through a file: the program inherits map_watch's output and keeps it open.
    "$MAP_WATCH" "$program" >"$WORK/watch.out" 2>/dev/null || fail "$name showed no window"
    read -r pid us title <"$WORK/watch.out"
    APP_PID=$pid
    # --all: without it xdotool takes a window matching any one of the conditions, and the splash, visible
    # and of the same process, would do.
    for _ in $(seq 150); do
        dialog=$(xdotool search --all --onlyvisible --pid "$pid" --name '^Password Required$' 2>/dev/null | head -n 1)
        [ -n "$dialog" ] && break
        sleep 0.1
    done
    [ -n "$dialog" ] || fail "$name showed no \"Password Required\" window"
    sleep 0.5 # let the dialog finish painting
    # The window measured at, by its title as the window manager has it.
    measured=$(xdotool getwindowname "$dialog" 2>/dev/null)
    [ "$measured" = "Password Required" ] || fail "$name: the window found is \"$measured\", not the password dialog"
    rss=$(awk '/^Rss:/ {print $2}' "/proc/$pid/smaps_rollup" 2>/dev/null)
    pss=$(awk '/^Pss:/ {print $2}' "/proc/$pid/smaps_rollup" 2>/dev/null)
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do gone "$pid" && break; sleep 0.1; done
    gone "$pid" || fail "$name did not end"
    APP_PID=
    if [ "$RECORD" = 1 ]; then
        eval "${name}_map+=(\"\$(awk -v u=$us 'BEGIN{printf \"%.1f\", u/1000}')\")"
        eval "${name}_rss+=(\"${rss:-NA}\") ${name}_pss+=(\"${pss:-NA}\")"
        eval "${name}_title=\"\$title\" ${name}_measured=\"\$measured\""
    fi
}

keyshelf_map=() keyshelf_rss=() keyshelf_pss=() plain_map=() plain_rss=() plain_pss=()
RECORD=0
measure "$WORK/keyshelf" keyshelf
measure "$WORK/plain_window" plain
RECORD=1
for ((run = 1; run <= RUNS; run++)); do
    if ((run % 2)); then
        measure "$WORK/keyshelf" keyshelf
        measure "$WORK/plain_window" plain
    else
        measure "$WORK/plain_window" plain
        measure "$WORK/keyshelf" keyshelf
    fi
done

# stats VALUES...: "min median max" (NA when any value is missing).
stats() {
    printf '%s\n' "$@" | grep -q NA && { echo "NA NA NA"; return; }
    printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1}
        END {m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; print v[1], m, v[NR]}'
}

# ratio LABEL KEYSHELF_MEDIAN PLAIN_MEDIAN: prints the ratio against the target of 1.5x.
ratio() {
    if [ "$2" = NA ] || [ "$3" = NA ]; then
        printf '%-58s n/a (memory unreadable: run as root)\n' "$1"
        return
    fi
    awk -v l="$1" -v a="$2" -v b="$3" 'BEGIN {r = a / b;
        printf "%-58s %.2fx  %s\n", l, r, (r <= 1.5 ? "met" : "NOT met")}'
}

echo "Start-up, $RUNS run(s) of each after one warm-up, alternating; min / median / max"
echo "first window viewable, ms:"
read -r a b c <<<"$(stats "${keyshelf_map[@]}")"; km=$b
printf '  %-42s %8s %8s %8s\n' "keyshelf (\"$keyshelf_title\")" "$a" "$b" "$c"
read -r a b c <<<"$(stats "${plain_map[@]}")"; pm=$b
printf '  %-42s %8s %8s %8s\n' "plain_window (\"$plain_title\")" "$a" "$b" "$c"
echo "memory with the window \"$keyshelf_measured\" (keyshelf) and \"$plain_measured\" (plain_window) showing, kB:"
read -r a b c <<<"$(stats "${keyshelf_rss[@]}")"; kr=$b
printf '  %-42s %8s %8s %8s\n' "keyshelf RSS" "$a" "$b" "$c"
read -r a b c <<<"$(stats "${plain_rss[@]}")"; pr=$b
printf '  %-42s %8s %8s %8s\n' "plain_window RSS" "$a" "$b" "$c"
read -r a b c <<<"$(stats "${keyshelf_pss[@]}")"; kp=$b
printf '  %-42s %8s %8s %8s\n' "keyshelf PSS" "$a" "$b" "$c"
read -r a b c <<<"$(stats "${plain_pss[@]}")"; pp=$b
printf '  %-42s %8s %8s %8s\n' "plain_window PSS" "$a" "$b" "$c"
echo "ratios of the medians (target within 1.5x):"
ratio "splash mapped / plain window mapped" "$km" "$pm"
ratio "memory (PSS) at the password dialog / plain window" "$kp" "$pp"
ratio "memory (RSS) at the password dialog / plain window" "$kr" "$pr"
