#!/usr/bin/env bash
# Memory of the program with the banner band showing its page, as the user has it: a fresh Keyshelf in a
# real window under a private Xvfb with openbox, logged in, its band showing the test page that
# banner_server serves. Once the page is drawn on the screen (its blue fills the band) and SETTLE seconds
# more have passed, the proportional set size is summed over the program and every process under it: the
# web engine's zygotes and the page's renderer (the engine's GPU and network services run inside the
# program). PSS counts a page of memory shared by n processes as 1/n in each, so the sum is what the
# program as a whole costs the machine.
# Two sums: Pss: of /proc/PID/smaps_rollup as the machine stands, and the same with sharing counted only
# among the program's processes and this run's X server and window manager (see quiet_pss), which other
# programs running meanwhile cannot lower. The target is judged on the second, never the lower.
# Baseline (the engine's defaults: OpenGL drawing, two zygotes), counted quietly here under Xvfb: about
# 226 MB in all (the program 135-138 MB, the unsandboxed zygote 21, the zygote 17, the renderer 54); an
# earlier count elsewhere gave about 390 MB. With the band drawn in software and no unsandboxed zygote
# (PrepareWebEngine, keyshelf_create_banner): about 154 MB (the program 77, the zygote 23, the renderer 55).
# Target: under 250 MB in all, in every run.
# Figures are for people to read; the script fails only when the program does not start or show its page.
# Reading the memory of Keyshelf needs root: the program makes itself not dumpable.
# Usage: banner_memory_bench.sh path/to/keyshelf path/to/banner_server path/to/make_vault PORT [runs]   (3 runs)
# The program's banner address must be http://127.0.0.1:PORT/adserver.asp. SETTLE (seconds) defaults to 5.
set -u
PROGRAM=$1
BANNER_SERVER=$2
MAKE_VAULT=$3
PORT=$4
RUNS=${5:-3}
SETTLE=${SETTLE:-5}
. "$(dirname "$0")/../tests/e2e/x11.sh"

start_x
prepare_folder "$PROGRAM"
help_off
"$BANNER_SERVER" "$PORT" >"$WORK/served" 2>&1 &
SERVER_PID=$!
trap 'kill $SERVER_PID 2>/dev/null; stop_x' EXIT
for _ in $(seq 50); do grep -q '^listening' "$WORK/served" && break; sleep 0.1; done
grep -q '^listening' "$WORK/served" || fail "the banner server could not listen on port $PORT"
"$MAKE_VAULT" "$WORK/data.enc" "Secret1" \
    "alice@mail.example" "s3cret-Alice" "https://mail.example/login" \
    "bob" "hunter2" "Office PC" >/dev/null || fail "make_vault failed"

# tree PID: PID and every process under it, one a line.
tree() {
    ps -e -o pid=,ppid= | awk -v root="$1" '{parent[$1] = $2} END {
        print root; want[root] = 1
        do {
            more = 0
            for (p in parent) if (!(p in want) && (parent[p] in want)) { want[p] = 1; print p; more = 1 }
        } while (more) }'
}

# type PID: the --type a web engine helper was started with (none for the program).
type() {
    tr '\0' '\n' <"/proc/$1/cmdline" 2>/dev/null | sed -n 's/^--type=//p' | head -n 1
}

# kind PID: what the process is. A helper says its --type; the processes a zygote forks keep the zygote's
# command line, so a renderer is told by its compositor thread.
kind() {
    local t parent
    t=$(type "$1")
    parent=$(awk '{print $4}' "/proc/$1/stat" 2>/dev/null)
    if [ -z "$t" ]; then
        basename "$(tr '\0' '\n' <"/proc/$1/cmdline" 2>/dev/null | head -n 1)"
    elif [ "$t" = zygote ] && [ "$(type "$parent")" = zygote ]; then
        if grep -qx Compositor /proc/"$1"/task/*/comm 2>/dev/null; then echo renderer; else echo "zygote's child"; fi
    elif [ "$t" = zygote ] && tr '\0' '\n' <"/proc/$1/cmdline" | grep -qx -- --no-zygote-sandbox; then
        echo "zygote (unsandboxed)"
    elif [ "$t" = utility ]; then
        echo "utility ($(tr '\0' '\n' <"/proc/$1/cmdline" | sed -n 's/^--utility-sub-type=//p' | head -n 1))"
    else
        echo "$t"
    fi
}

# quiet_pss PID... -- PID...: for each process before "--", its PSS in kB (one "PID kB" a line) with a
# page's size split only among the processes that map it of both lists: what Pss: says on a machine that
# runs nothing but the program and the processes after "--" (its X server and window manager). Pss: itself
# is split among every process of the machine, so it drops whenever another program that maps the same
# libraries (the web engine, the OpenGL driver) happens to run. Reads page frames from /proc/PID/pagemap,
# which needs root; prints nothing without.
quiet_pss() {
    perl -e '
        use strict; use warnings; no warnings "portable";
        my (@report, @others, %sharers, %frames);
        my $list = \@report;
        for (@ARGV) { if ($_ eq "--") { $list = \@others } else { push @$list, $_ } }
        for my $pid (@report, @others) {
            open(my $smaps, "<", "/proc/$pid/smaps") or next;
            open(my $map, "<:raw", "/proc/$pid/pagemap") or next;
            my ($range, @resident, @mine);
            while (<$smaps>) {
                if (/^([0-9a-f]+)-([0-9a-f]+) /) { $range = [hex $1, hex $2] }
                elsif (/^Rss:\s+(\d+)/ && $1 > 0) { push @resident, $range }
            }
            for my $r (@resident) {
                seek($map, $r->[0] / 4096 * 8, 0) or next;
                read($map, my $entries, ($r->[1] - $r->[0]) / 4096 * 8) or next;
                for my $e (unpack("Q<*", $entries)) {
                    next unless $e & (1 << 63);                # present in memory
                    my $frame = $e & ((1 << 55) - 1) or next;  # zero without CAP_SYS_ADMIN
                    push @mine, $frame;
                    $sharers{$frame}++;
                }
            }
            $frames{$pid} = \@mine;
        }
        for my $pid (@report) {
            next unless @{$frames{$pid} // []};
            my $kb = 0;
            $kb += 4 / $sharers{$_} for @{$frames{$pid}};
            printf "%d %.0f\n", $pid, $kb;
        }' "$@"
}

# page_drawn: whether the page's blue fills the band (470 by 63 pixels of it) on the screen.
page_drawn() {
    local blue
    import -window root "$WORK/screen.png" 2>/dev/null || return 1
    blue=$(convert "$WORK/screen.png" -fill black +opaque "#1f5fbf" -fill white -opaque "#1f5fbf" \
        -format "%[fx:round(mean*w*h)]" info: 2>/dev/null)
    [ "${blue:-0}" -gt 20000 ]
}

mb() { awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }

totals=() quiet_totals=() breakdowns=()
# measure: one start, logged in, with the page drawn; appends the sums (kB) and the breakdown.
measure() {
    local drawn="" pids pid pss quiet sum=0 quiet_sum=0 lines="" others
    "$WORK/keyshelf" 2>"$WORK/stderr" &
    APP_PID=$!
    log_in "Secret1"
    main=$(wait_window "Keyshelf by Keyshelf Software" 15) || exit 1
    for _ in $(seq 60); do
        page_drawn && { drawn=1; break; }
        sleep 0.5
    done
    [ -n "$drawn" ] || fail "the band did not show the test page within 30 s"
    sleep "$SETTLE"
    page_drawn || fail "the test page went from the band while the engine settled"
    pids="$APP_PID $(tree "$APP_PID" | tail -n +2 | sort -n)"
    declare -A quiet_of=()
    while read -r pid quiet; do
        quiet_of[$pid]=$quiet
    done < <(quiet_pss $pids -- "$XVFB_PID" "$WM_PID")
    for pid in $pids; do
        pss=$(awk '/^Pss:/ {print $2}' "/proc/$pid/smaps_rollup" 2>/dev/null)
        [ -n "$pss" ] || continue # ended meanwhile
        quiet=${quiet_of[$pid]:-}
        sum=$((sum + pss))
        [ -n "$quiet" ] && quiet_sum=$((quiet_sum + quiet))
        lines+=$(printf '    %-22s %7d %9s %9s' "$(kind "$pid")" "$pid" "$(mb "$pss")" "${quiet:+$(mb "$quiet")}")$'\n'
    done
    # Who else maps the web engine now: they lower Pss: (not the quiet sum).
    others=$(grep -l libQt6WebEngineCore /proc/[0-9]*/maps 2>/dev/null | cut -d/ -f3 | grep -vxF -f <(printf '%s\n' $pids) | wc -l)
    totals+=("$([ -n "${lines}" ] && [ "$sum" -gt 0 ] && echo "$sum" || echo NA)")
    quiet_totals+=("$([ -n "${quiet_of[$APP_PID]:-}" ] && echo "$quiet_sum" || echo NA)")
    breakdowns+=("$lines    (other processes mapping the web engine meanwhile: $others)"$'\n')
    main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1
    close_window "$main"
    wait_gone "$APP_PID" 15 || { kill "$APP_PID" 2>/dev/null; fail "closing the main window did not end the program"; }
    APP_PID=
}

for ((run = 1; run <= RUNS; run++)); do
    measure
done

# stats VALUES...: "min median max" (NA when any value is missing).
stats() {
    printf '%s\n' "$@" | grep -q NA && { echo "NA NA NA"; return; }
    printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1}
        END {m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; print v[1], m, v[NR]}'
}

echo "Banner band showing its page, ${SETTLE} s after it was drawn: PSS of the program and its helpers, MB"
echo "(1 MB = 1024 kB; QTWEBENGINE_CHROMIUM_FLAGS from the environment: \"${QTWEBENGINE_CHROMIUM_FLAGS:-}\")"
# figure KB: the figure in MB, or n/a.
figure() {
    if [ "$1" = NA ]; then echo n/a; else mb "$1"; fi
}
for ((run = 0; run < RUNS; run++)); do
    printf '  run %d: %s in all, %s counted quietly\n' $((run + 1)) "$(figure "${totals[run]}")" \
        "$(figure "${quiet_totals[run]}")"
    printf '    %-22s %7s %9s %9s\n' process pid Pss: quiet
    printf '%s' "${breakdowns[run]}"
done
read -r a b c <<<"$(stats "${totals[@]}")"
printf 'Pss: in all, min / median / max:       %s / %s / %s\n' "$(figure "$a")" "$(figure "$b")" "$(figure "$c")"
read -r qa qb qc <<<"$(stats "${quiet_totals[@]}")"
printf 'counted quietly, min / median / max:   %s / %s / %s\n' "$(figure "$qa")" "$(figure "$qb")" "$(figure "$qc")"
worst=$qc
[ "$worst" = NA ] && worst=$c
if [ "$worst" = NA ]; then
    echo "target under 250 MB: n/a (the program's memory is readable by root only)"
else
    awk -v w="$worst" 'BEGIN {printf "target under 250 MB: %s\n", (w / 1024 < 250 ? "met" : "NOT met")}'
fi
