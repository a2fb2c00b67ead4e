#!/usr/bin/env bash
# `keyshelf-cli ls` over a vault of 32,767 entries (the format's limit), from exec to exit, against the
# least program that prints the same lines from the same file (bench/ListBaseline.cpp): the two run in
# turn, each a fresh process given the master password on standard input, their output written to a
# file. Their outputs are compared first, so the baseline does the same work. The figure is the ratio of
# medians from this one run, for people to read (target at most 1.5x); nothing here is a pass or fail but
# a program that fails or prints something else.
# Usage: cli_ls_bench.sh path/to/keyshelf-cli path/to/list_baseline [runs]   (default 51 runs of each)
set -u
CLI=$1
BASELINE=$2
RUNS=${3:-51}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# Entries of the sizes people keep: an e-mail address, 16 random characters, a web address; one in eight
# with a letter outside ASCII, which the listing converts to UTF-8.
perl -e 'sub e { my $t = shift; $t =~ tr/\x00-\xff/\x80-\xff\x00-\x7f/; $t }
    srand(7); my @c = ("a" .. "z", "A" .. "Z", 0 .. 9, split //, q{!#$%&*+-./:;<=>?@^_~});
    print e("Secret1"), "\r\n";
    for my $i (1 .. 32767) {
        my $pw = join "", map { $c[rand @c] } 1 .. 16;
        my $name = $i % 8 ? "user$i" : "J\xe9r\xf4me.$i";
        print e("$name\@example.com|||$pw|||https://www.site$i.example.com/login"), "\r\n";
    }
    print "\r\n"' >"$WORK/data.enc"
echo Secret1 >"$WORK/master"

"$CLI" --vault "$WORK/data.enc" ls <"$WORK/master" >"$WORK/cli.out" || fail "keyshelf-cli ls failed"
"$BASELINE" "$WORK/data.enc" <"$WORK/master" >"$WORK/baseline.out" || fail "the baseline failed"
[ "$(wc -l <"$WORK/cli.out")" -eq 32767 ] || fail "keyshelf-cli ls printed $(wc -l <"$WORK/cli.out") lines"
cmp -s "$WORK/cli.out" "$WORK/baseline.out" || fail "the baseline prints something else than keyshelf-cli ls"

# micros COMMAND...: the wall time of one run, exec to exit, in microseconds.
micros() {
    local start=$EPOCHREALTIME
    "$@" <"$WORK/master" >"$WORK/out"
    local end=$EPOCHREALTIME
    echo $(((${end/./} - ${start/./})))
}
median() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
cli_us=() base_us=()
for ((run = 0; run <= RUNS; run++)); do
    c=$(micros "$CLI" --vault "$WORK/data.enc" ls) b=$(micros "$BASELINE" "$WORK/data.enc")
    ((run == 0)) && continue # warm-up
    cli_us+=("$c") base_us+=("$b")
done
cm=$(median "${cli_us[@]}") bm=$(median "${base_us[@]}")
echo "ls over 32,767 entries ($(($(stat -c %s "$WORK/data.enc") / 1024)) KiB), $RUNS runs of each, medians:"
awk -v c="$cm" -v b="$bm" 'BEGIN {
    printf "  keyshelf-cli ls %.2f ms, baseline %.2f ms: %.2fx  (target within 1.5x: %s)\n",
        c / 1000, b / 1000, c / b, (c / b <= 1.5 ? "met" : "NOT met") }'
