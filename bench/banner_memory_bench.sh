#!/usr/bin/env bash
# Memory of the whole program with the banner band showing its page, against the same program with the
# band off (banner=0 in Keyshelf.ini: no request, a blank band), in one run. Each start is a fresh Keyshelf
# in a real window under a private Xvfb with openbox, logged in to the same vault; with the band on, it is
# measured once the test page (which banner_server serves, with its picture) is drawn on the screen, with
# the band off after the same wait. SETTLE seconds later the proportional set size (PSS: a page shared by n
# processes counts 1/n) and the resident set size of the program and anything under it are read; the two
# kinds of start alternate. The band's renderer (keyshelf-band, a process of its own for each page) is
# counted when it still runs then; it has ended long before, once it handed back the band's picture, and
# the memory it used went back to the system with it. Target: with the band, at most 1.2x the memory without it, judged on RSS: PSS
# splits every shared library page among all the processes that map it, so whatever else runs on the
# machine with Qt (on a shared machine, other Keyshelf runs) lowers both figures by an amount that differs
# from start to start, and the ratio of two small PSS figures moves with it; it is printed beside.
# Figures are for people to read; the script fails only when the program does not start or show its page.
# Reading the memory of Keyshelf needs root: the program makes itself not dumpable.
# Usage: banner_memory_bench.sh path/to/keyshelf path/to/banner_server path/to/make_vault PORT [runs]   (3 runs)
# The program's banner address must be http://127.0.0.1:PORT/adserver.asp. SETTLE (seconds) defaults to 3.
set -u
PROGRAM=$1
BANNER_SERVER=$2
MAKE_VAULT=$3
PORT=$4
RUNS=${5:-3}
SETTLE=${SETTLE:-3}
. "$(dirname "$0")/../tests/e2e/x11.sh"

start_x
prepare_folder "$PROGRAM"
"$BANNER_SERVER" "$PORT" >"$WORK/served" 2>&1 &
SERVER_PID=$!
trap 'kill $SERVER_PID 2>/dev/null; stop_x' EXIT
for _ in $(seq 50); do grep -q '^listening' "$WORK/served" && break; sleep 0.1; done
grep -q '^listening' "$WORK/served" || fail "the banner server could not listen on port $PORT"
"$MAKE_VAULT" "$WORK/data.enc" "Secret1" \
    "alice@mail.example" "s3cret-Alice" "https://mail.example/login" \
    "bob" "hunter2" "Office PC" >/dev/null || fail "make_vault failed"

# tree PID: PID and every process under it.
tree() {
    echo "$1"
    local child
    for child in $(ps -o pid= --ppid "$1"); do tree "$child"; done
}
# sum FIELD PID...: the field of /proc/PID/smaps_rollup summed over the processes, in kB (NA unreadable).
sum() {
    local field=$1 total=0 value
    shift
    for pid in "$@"; do
        value=$(awk -v f="$field:" '$1 == f {print $2}' "/proc/$pid/smaps_rollup" 2>/dev/null)
        [ -n "$value" ] || { echo NA; return; }
        total=$((total + value))
    done
    echo "$total"
}
# page_drawn: whether the page's blue fills the band (470 by 63 pixels of it) on the screen.
page_drawn() {
    local blue
    import -window root "$WORK/screen.png" 2>/dev/null || return 1
    blue=$(convert "$WORK/screen.png" -fill black +opaque "#1f5fbf" -fill white -opaque "#1f5fbf" \
        -format "%[fx:round(mean*w*h)]" info: 2>/dev/null)
    [ "${blue:-0}" -gt 20000 ]
}

declare -A pss rss
# measure on|off: one start; appends its figures (kB) to pss[on|off] and rss[on|off].
measure() {
    local band=$1 drawn="" pids
    mkdir -p "$XDG_CONFIG_HOME/Keyshelf"
    printf '[Settings]\nshowHelp=0\nbanner=%s\n' "$([ "$band" = on ] && echo 1 || echo 0)" \
        >"$XDG_CONFIG_HOME/Keyshelf/Keyshelf.ini"
    "$WORK/keyshelf" 2>"$WORK/stderr" &
    APP_PID=$!
    log_in "Secret1"
    main=$(wait_window "Keyshelf by Keyshelf Software" 15) || exit 1
    for _ in $(seq 60); do
        page_drawn && { drawn=1; break; }
        sleep 0.5
        [ "$band" = off ] && { drawn=1; break; }
    done
    [ -n "$drawn" ] || fail "the band did not show the test page within 30 s"
    sleep "$SETTLE"
    [ "$band" = off ] || page_drawn || fail "the test page went from the band"
    [ "$band" = off ] && page_drawn && fail "the band showed its page with banner=0"
    pids=$(tree "$APP_PID")
    pss[$band]+="$(sum Pss $pids) "
    rss[$band]+="$(sum Rss $pids) "
    close_window "$main"
    wait_gone "$APP_PID" 15 || { kill "$APP_PID" 2>/dev/null; fail "closing the main window did not end the program"; }
    APP_PID=
}
for ((run = 1; run <= RUNS; run++)); do
    measure off
    measure on
done

# median VALUES...: the median, NA when any value is missing.
median() {
    printf '%s\n' "$@" | grep -q NA && { echo NA; return; }
    printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
mb() { [ "$1" = NA ] && echo n/a || awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }
ratio() { { [ "$1" = NA ] || [ "$2" = NA ]; } && echo n/a || awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'; }

echo "The whole program, logged in, ${SETTLE} s after the band drew its page (or the same wait with banner=0), MB"
echo "  ($RUNS runs each, alternating; 1 MB = 1024 kB)"
for kind in Pss Rss; do
    if [ $kind = Pss ]; then on=(${pss[on]}) off=(${pss[off]}); else on=(${rss[on]}) off=(${rss[off]}); fi
    printf '  %s with the band:    %s   (median %s)\n' $kind "$(for v in "${on[@]}"; do printf '%s ' "$(mb "$v")"; done)" "$(mb "$(median "${on[@]}")")"
    printf '  %s with banner=0:    %s   (median %s)\n' $kind "$(for v in "${off[@]}"; do printf '%s ' "$(mb "$v")"; done)" "$(mb "$(median "${off[@]}")")"
    r=$(ratio "$(median "${on[@]}")" "$(median "${off[@]}")")
    if [ $kind = Pss ]; then
        printf '  %s ratio, band / banner=0: %sx\n' $kind "$r"
    else
        printf '  %s ratio, band / banner=0: %sx (target at most 1.2x: %s)\n' $kind "$r" \
            "$([ "$r" = n/a ] && echo "n/a, the program's memory is readable by root only" || awk -v r="$r" 'BEGIN {print (r <= 1.2 ? "met" : "NOT met")}')"
    fi
done
