#!/usr/bin/env bash
# From Enter in the password dialog to the filled list painted, as the user meets it: each run is a fresh
# process (bench/LoadBench.cpp) showing the program's windows in a real window under a private Xvfb with
# openbox, the banner off, beside the vault core's load of the same file in a fresh process of its own.
# Before each timed part the vault file alone is taken out of the page cache, so both read it cold, as a
# user's Enter meets it: the start-up read only its first line, and the program, its libraries and fonts
# are in memory, having just shown the dialog.
# Two vaults: 32,767 realistic entries (the format's limit) and one entry holding a 50 MB password.
# Then the same 32,767 entries sealed at the standard cost against them plain, the core load alone, each in
# a fresh process in turns: the sealed one with its key's derivation, and without it.
# Figures are ratios of medians from this one run, for people to read; nothing here is a pass or fail.
# Usage: load_bench.sh path/to/load_bench [runs]   (3 runs of each, after one unrecorded warm-up)
set -u
BENCH=$1
RUNS=${2:-3}
. "$(dirname "$0")/../tests/e2e/x11.sh"

start_x
WORK=$(mktemp -d)

# median VALUES...
median() {
    printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

# verdict RATIO TARGET
verdict() {
    awk -v r="$1" -v t="$2" 'BEGIN {printf "%.2fx  (target within %sx: %s)", r, t, (r <= t ? "met" : "NOT met")}'
}

for kind in entries line; do
    "$BENCH" make "$WORK" "$kind" || fail "could not write the $kind vault"
    core_ms=() core_peak=() win_ms=() win_load=() win_peak=() all_cold=yes
    for ((run = 0; run <= RUNS; run++)); do
        core=$("$BENCH" core "$WORK" 2>/dev/null) || fail "the core load failed"
        win=$("$BENCH" window "$WORK" 2>/dev/null) || fail "the window run failed"
        ((run == 0)) && continue
        read -r ms load peak bytes cold <<<"$core"
        core_ms+=("$ms") core_peak+=("$peak")
        [ "$cold" = 1 ] || all_cold=no
        read -r ms load peak bytes cold <<<"$win"
        win_ms+=("$ms") win_load+=("$load") win_peak+=("$peak")
        [ "$cold" = 1 ] || all_cold=no
    done
    cm=$(median "${core_ms[@]}") wm=$(median "${win_ms[@]}")
    cp=$(median "${core_peak[@]}") wl=$(median "${win_load[@]}") wp=$(median "${win_peak[@]}")
    kib=$(awk -v b="$bytes" 'BEGIN {printf "%.0f", b / 1024}')
    echo "$kind: a $kib KiB file; $RUNS runs, medians; the file out of the page cache at every start: $all_cold"
    echo "  runs, ms: Enter to list painted ${win_ms[*]}; core load ${core_ms[*]}"
    printf '  %-52s %s\n' "Enter to list painted / core load in a fresh process" \
        "$(verdict "$(awk -v a="$wm" -v b="$cm" 'BEGIN {print a / b}')" 4)  $wm ms against $cm ms"
    printf '  %-52s %s\n' "peak memory while loading / file size" \
        "$(verdict "$(awk -v a="$wl" -v b="$kib" 'BEGIN {print a / b}')" 2)  $wl KiB"
    printf '  %-52s %s\n' "  with the window's first showing and paint / file" \
        "$(awk -v a="$wp" -v b="$kib" 'BEGIN {printf "%.2fx  %s KiB", a / b, a}')"
    printf '  %-52s %s\n' "  the core load's own peak / file" \
        "$(awk -v a="$cp" -v b="$kib" 'BEGIN {printf "%.2fx  %s KiB", a / b, a}')"
done

mkdir -p "$WORK/plain" "$WORK/sealed"
"$BENCH" make "$WORK/plain" entries || fail "could not write the plain vault"
"$BENCH" make "$WORK/sealed" sealed || fail "could not write the sealed vault"
plain_ms=() sealed_ms=() derive_ms=() rest_ms=() sealed_peak=() all_cold=yes
for ((run = 0; run <= RUNS; run++)); do
    plain=$("$BENCH" core "$WORK/plain" 2>/dev/null) || fail "the plain core load failed"
    sealed=$("$BENCH" core "$WORK/sealed" 2>/dev/null) || fail "the sealed core load failed"
    ((run == 0)) && continue
    read -r ms load peak bytes cold derive <<<"$plain"
    plain_ms+=("$ms")
    [ "$cold" = 1 ] || all_cold=no
    read -r ms load peak bytes cold derive <<<"$sealed"
    sealed_ms+=("$ms") derive_ms+=("$derive") sealed_peak+=("$peak")
    rest_ms+=("$(awk -v a="$ms" -v d="$derive" 'BEGIN {printf "%.2f", a - d}')")
    [ "$cold" = 1 ] || all_cold=no
done
pm=$(median "${plain_ms[@]}") sm=$(median "${sealed_ms[@]}") dm=$(median "${derive_ms[@]}")
rest=$(median "${rest_ms[@]}") sp=$(median "${sealed_peak[@]}")
echo "sealed: the 32,767 entries sealed at the standard cost; $RUNS runs, medians; the file out of the page cache at every start: $all_cold"
echo "  runs, ms: sealed core load ${sealed_ms[*]}, of which deriving the key ${derive_ms[*]}; plain core load ${plain_ms[*]}"
printf '  %-52s %s\n' "sealed core load / plain core load, fresh processes" \
    "$(awk -v a="$sm" -v b="$pm" 'BEGIN {printf "%.2fx  %s ms against %s ms", a / b, a, b}')"
printf '  %-52s %s\n' "  less the key's derivation ($dm ms) / plain" \
    "$(verdict "$(awk -v a="$rest" -v b="$pm" 'BEGIN {print a / b}')" 2)  $rest ms"
printf '  %-52s %s\n' "  the sealed load's peak memory, derivation included" "$sp KiB"
