#!/usr/bin/env bash
# keyshelf-cli at the edges of what it is given, in real processes on real files: the export file (written
# over only with --force, never through a link, the owner's alone), an import that would fill the list past
# its last entry, control characters beyond ASCII shown escaped, the longest password generated, and seal
# and unseal refused when another program wrote the vault while the master password was being typed.
# Usage: cli_edges_test.sh path/to/keyshelf-cli path/to/make_vault
set -u
CLI=$1
MAKE=$2
. "$(dirname "$0")/x11.sh" # fail, file_hex
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
. "$(dirname "$0")/terminal.sh"
V="$WORK/data.enc"

# cli INPUT ARGS...: runs keyshelf-cli with INPUT (printf %b) as standard input; status in $rc, output
# in $WORK/out and $WORK/err.
cli() {
    local input=$1
    shift
    printf '%b' "$input" | env -u DISPLAY -u WAYLAND_DISPLAY "$CLI" "$@" >"$WORK/out" 2>"$WORK/err"
    rc=${PIPESTATUS[1]}
}
# expect LABEL STATUS [OUT [ERR]]: the last run's status, and its whole output and error when given.
expect() {
    [ "$rc" -eq "$2" ] || fail "$1: status $rc, not $2: $(cat "$WORK/out" "$WORK/err")"
    [ $# -lt 3 ] || [ "$(cat "$WORK/out")" = "$3" ] || fail "$1: printed $(cat -A "$WORK/out"), not $3"
    [ $# -lt 4 ] || [ "$(cat "$WORK/err")" = "$4" ] || fail "$1: said $(cat -A "$WORK/err"), not $4"
}
# big_vault FILE COUNT: master Secret1 and COUNT entries "uN / pN / lN", written as the writer does.
big_vault() {
    perl -e 'sub e { my $t = shift; $t =~ tr/\x00-\xff/\x80-\xff\x00-\x7f/; $t }
        print e("Secret1"), "\r\n"; print e("u$_|||p$_|||l$_"), "\r\n" for 1 .. $ARGV[0]; print "\r\n"' "$2" >"$1"
}

# The longest password there is, and one past it.
cli '' generate --length 1024
expect "generate --length 1024" 0 && [ "$(tr -d '\n' <"$WORK/out" | wc -c)" -eq 1024 ] ||
    fail "generate --length 1024 printed $(wc -c <"$WORK/out") bytes"
cli '' generate --length 1025
expect "generate --length 1025" 2 "" "keyshelf-cli: the length of a password must be a number from 1 to 1024
Try 'keyshelf-cli --help'."

# C1 control characters, UTF-8 encoded in a name keyshelf-cli prints, reach the terminal escaped.
for c in 85 9b; do
    dir="$WORK/a$(printf "\\xc2\\x$c")b"
    cli '' --vault "$dir/data.enc" ls
    expect "a folder named with U+00${c^^}" 1 "" "keyshelf-cli: Could not open $WORK/a\\x${c}b/data.enc: there is no vault there yet; start Keyshelf once to make one"
done

# Export over a file only with --force: longer bytes that were there are gone, the file is the owner's
# alone whatever it was before, and a link is never written through.
"$MAKE" "$V" Secret1 alice pw-alice-123 example.com bob pw-bob-45678 mail.example.org
cli 'Secret1\n' --vault "$V" export
expect "export to standard output" 0
cp "$WORK/out" "$WORK/expected.csv"
head -c 20000 /dev/zero | tr '\0' x >"$WORK/export.csv"
chmod 644 "$WORK/export.csv"
cli 'Secret1\n' --vault "$V" export -o "$WORK/export.csv"
expect "export over a file without --force" 1
[ "$(wc -c <"$WORK/export.csv")" -eq 20000 ] || fail "export without --force changed the file there"
cli 'Secret1\n' --vault "$V" export -o "$WORK/export.csv" --force
expect "export --force" 0
cmp -s "$WORK/export.csv" "$WORK/expected.csv" || fail "export --force left $(wc -c <"$WORK/export.csv") bytes"
[ "$(stat -c %a "$WORK/export.csv")" = 600 ] || fail "export --force left the file open to others"
echo "someone else's" >"$WORK/victim"
ln -s "$WORK/victim" "$WORK/link.csv"
cli 'Secret1\n' --vault "$V" export -o "$WORK/link.csv" --force
expect "export --force to a link" 1
grep -qF "Could not write $WORK/link.csv: " "$WORK/err" || fail "export to a link said $(cat "$WORK/err")"
[ "$(cat "$WORK/victim")" = "someone else's" ] && [ -L "$WORK/link.csv" ] || fail "export wrote through a link"

# An import may fill the list to 32,767 entries, and not past it; refused, the vault is as it was.
printf 'url,username,password\nnew.example,new-user,new-pw\n' >"$WORK/one.csv"
big_vault "$V" 32766
cli 'Secret1\n' --vault "$V" import "$WORK/one.csv"
expect "an import that fills the list" 0
big_vault "$WORK/full" 32767
cmp -s "$V" "$WORK/full" && fail "the import that fills the list wrote nothing"
[ "$(wc -l <"$V")" -eq 32769 ] || fail "the import that fills the list wrote $(wc -l <"$V") lines"
cp "$V" "$WORK/before"
printf 'url,username,password\nother.example,other-user,other-pw\n' >"$WORK/other.csv"
cli 'Secret1\n' --vault "$V" import "$WORK/other.csv"
expect "an import past 32,767 entries" 1
grep -qF "Nothing was imported: the password file holds at most 32,767 entries" "$WORK/out" ||
    fail "an import past the list's end said $(cat "$WORK/out" "$WORK/err")"
cmp -s "$V" "$WORK/before" || fail "an import past the list's end changed the vault"

# seal and unseal, when another program writes the vault while the master password is asked for: nothing
# is saved, and the other program's file stays.
at_terminal() { printf '%q ' env -u DISPLAY "$CLI" --vault "$V" "$@"; }
for command in seal unseal; do
    sealed=$([ "$command" = unseal ] && echo --sealed)
    "$MAKE" $sealed "$V" Secret1 alice pw-alice-123 example.com
    pty_start "$(at_terminal "$command")"
    pty_wait "Master password for $V: "
    "$MAKE" $sealed "$WORK/other" Secret1 other pw-other-12345 other.example && mv "$WORK/other" "$V"
    cp -p "$V" "$WORK/before"
    pty_type Secret1
    pty_end
    [ "$rc" -eq 1 ] || fail "$command after another program's write: status $rc: $(cat -A "$PTY")"
    grep -qF "Could not save $V: another program changed it while keyshelf-cli was changing it; nothing was saved" \
        "$PTY" || fail "$command: no word of the other program's write: $(cat -A "$PTY")"
    cmp -s "$V" "$WORK/before" || fail "$command overwrote the other program's vault"
done
# A vault of another master password put in its place while the password is typed is not shown under it.
"$MAKE" "$V" Secret1 alice pw-alice-123 example.com
pty_start "$(at_terminal ls)"
pty_wait "Master password for $V: "
"$MAKE" "$WORK/other" Other99 phish pw-phish-1234 phish.example && mv "$WORK/other" "$V"
pty_type Secret1
pty_end
[ "$rc" -eq 1 ] && ! grep -qF phish "$PTY" || fail "ls showed a vault swapped in at the prompt: status $rc: $(cat -A "$PTY")"
grep -qF "Could not open $V: another program changed it while the master password was asked for" "$PTY" ||
    fail "ls after a swap at the prompt said: $(cat -A "$PTY")"
echo "cli edges: ok"
