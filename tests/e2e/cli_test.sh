#!/usr/bin/env bash
# keyshelf-cli as a script and a person at a terminal meet it, in real processes on real files: every
# command's output and exit status, the vault's bytes after each change (written by the same writer as
# make_vault's), the editor's refusals, the master password's rules, a change refused when another program
# wrote the file meanwhile, the terminal put back after Ctrl+C, control characters from the file shown
# escaped, and no secret ever on standard error.
# Usage: cli_test.sh path/to/keyshelf-cli path/to/make_vault [path/to/keyshelf]
set -u
CLI=$1
MAKE=$2
GUI=${3:-}
. "$(dirname "$0")/x11.sh" # fail, file_hex
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
V="$WORK/data.enc"
ERRORS="$WORK/all-stderr" # every run's standard error, searched for secrets at the end
: >"$ERRORS"

# cli INPUT ARGS...: runs keyshelf-cli with INPUT (printf %b) as standard input; status in $rc, output
# in $WORK/out and $WORK/err.
cli() {
    local input=$1
    shift
    printf '%b' "$input" | env -u DISPLAY -u WAYLAND_DISPLAY "$CLI" "$@" >"$WORK/out" 2>"$WORK/err"
    rc=${PIPESTATUS[1]}
    cat "$WORK/err" >>"$ERRORS"
}
# expect LABEL STATUS [OUT [ERR]]: the last run's status, and its whole output and error when given.
expect() {
    [ "$rc" -eq "$2" ] || fail "$1: status $rc, not $2: $(cat "$WORK/out" "$WORK/err")"
    [ $# -lt 3 ] || [ "$(cat "$WORK/out")" = "$3" ] || fail "$1: printed $(cat -A "$WORK/out"), not $3"
    [ $# -lt 4 ] || [ "$(cat "$WORK/err")" = "$4" ] || fail "$1: said $(cat -A "$WORK/err"), not $4"
}
# same_as LABEL MASTER [USERNAME PASSWORD LOCATION]...: the vault holds exactly what the writer makes of these.
same_as() {
    local label=$1
    shift
    "$MAKE" "$WORK/expected" "$@" || fail "make_vault failed"
    cmp -s "$V" "$WORK/expected" || fail "$label: the vault is $(file_hex "$V"), not $(file_hex "$WORK/expected")"
}
# big_vault FILE COUNT: master Secret1 and COUNT entries "uN / pN / lN", written as the writer does.
big_vault() {
    perl -e 'sub e { my $t = shift; $t =~ tr/\x00-\xff/\x80-\xff\x00-\x7f/; $t }
        print e("Secret1"), "\r\n"; print e("u$_|||p$_|||l$_"), "\r\n" for 1 .. $ARGV[0]; print "\r\n"' "$2" >"$1"
}
base() { "$MAKE" "$V" Secret1 alice 'pw-alice-123' example.com Bob 'pw-bob-45678' mail.example.org \
    'José' 'pw-jose-0000' 'Ünïcode.example'; }

# Help, version and mistakes on the command line: no display, no vault, nothing read.
cli '' --help
expect "--help" 0 && grep -q "^Usage: keyshelf-cli" "$WORK/out" && grep -qF "data.enc" "$WORK/out" ||
    fail "--help: $(cat "$WORK/out")"
for command in ls show add edit rm generate passwd seal unseal check; do
    cli '' "$command" --help
    expect "$command --help" 0 && head -n 1 "$WORK/out" | grep -q "^Usage: keyshelf-cli $command" ||
        fail "$command --help: $(cat "$WORK/out")"
done
cli '' rm -h
expect "rm -h" 0 && head -n 1 "$WORK/out" | grep -q "^Usage: keyshelf-cli rm" || fail "rm -h: $(cat "$WORK/out")"
for version in -V --version; do
    cli '' $version
    expect "$version" 0 && grep -qxE "Keyshelf [0-9]+\.[0-9]+" "$WORK/out" || fail "$version: $(cat "$WORK/out")"
done
if [ -n "$GUI" ]; then
    [ "$(cat "$WORK/out")" = "$(env -u DISPLAY "$GUI" --version)" ] || fail "--version differs from the window's"
fi
while IFS='|' read -r args message; do
    read -ra words <<<"$args"
    cli '' "${words[@]}"
    expect "$args" 2 "" "keyshelf-cli: $message
Try 'keyshelf-cli --help'."
done <<'EOF'
|no command given
frobnicate|unknown command 'frobnicate'
ls --bogus|unknown option '--bogus'
ls --username x|option '--username' does not go with 'ls'
show|'show' needs an entry: its number from 'ls', a text only it holds, or --with-username and --with-location
add --with-username x|option '--with-username' does not go with 'add'
rm 1 --listed 1234|option '--listed' needs the stamp that 'ls --stamp' printed
ls a b|unexpected argument 'b'
generate --length 0|the length of a password must be a number from 1 to 1024
generate --length|option '--length' needs a value
edit 1 --password --generate|option '--password' does not go with '--generate'
check --vault|option '--vault' needs a value
-x|unknown option '-x'
export -oFILE|unknown option '-oFILE'
ls -o FILE|option '--output' does not go with 'ls'
ls --stamp=1|option '--stamp' takes no value
import|'import' needs the CSV file to import
import a.csv --dry-run --delete-file|option '--delete-file' does not go with '--dry-run'
EOF

# generate: the generator's length and alphabet, and no vault needed.
cli '' generate
expect generate 0 && grep -qxE '[!-{}~]{20}' "$WORK/out" || fail "generate printed $(cat "$WORK/out")"
first=$(cat "$WORK/out")
cli '' generate --length 64
expect "generate --length 64" 0 && grep -qxE '[!-{}~]{64}' "$WORK/out" || fail "generate --length 64"
[ "$(head -c 20 "$WORK/out")" != "$first" ] || fail "two generated passwords begin alike"

# Reading: ls, find and show, the master password from the script's first line; --vault before or after.
base
cli 'Secret1\n' --vault "$V" ls
expect ls 0 "$(printf '1\talice\texample.com\n2\tBob\tmail.example.org\n3\tJosé\tÜnïcode.example')" ""
cli 'Secret1\n' ls "EXAMPLE.COM" --vault "$V"
expect "ls TEXT" 0 "$(printf '1\talice\texample.com')"
cli 'Secret1\n' --vault "$V" ls "JOSÉ"
expect "ls with a Windows letter" 0 "$(printf '3\tJosé\tÜnïcode.example')"
cli 'Secret1\n' --vault "$V" ls nowhere
expect "ls matching nothing" 0 ""
cli 'Secret1\n' --vault "$V" show 2
expect "show NUMBER" 0 "$(printf 'Entry: 2\nUsername: Bob\nUsed At: mail.example.org')" ""
cli 'Secret1\n' --vault "$V" show bob --password
expect "show TEXT --password" 0 "$(printf 'Entry: 2\nUsername: Bob\nPassword: pw-bob-45678\nUsed At: mail.example.org')"
cli 'Secret1\n' --vault "$V" show example
expect "show TEXT of several" 1 "$(printf '1\talice\texample.com\n2\tBob\tmail.example.org\n3\tJosé\tÜnïcode.example')" \
    'keyshelf-cli: 3 entries hold "example": name one by its number, or by --with-username and --with-location'
cli 'Secret1\n' --vault "$V" show carol
expect "show TEXT of none" 1 "" "keyshelf-cli: no entry's username or location holds \"carol\""
cli 'Secret1\n' --vault "$V" show 4
expect "show a number past the end" 1 "" "keyshelf-cli: there is no entry 4: the list holds 3 entries"

# The master password: a wrong one, none given, none made yet, no vault at all. Nothing is written.
cp -p "$V" "$WORK/before"
cli 'secret1\n' --vault "$V" ls
expect "a wrong master password" 1 "" "keyshelf-cli: Could not open $V: the master password was not correct"
cli '' --vault "$V" ls
expect "no master password" 1 "" "keyshelf-cli: Could not open $V: no master password was given"
cmp -s "$V" "$WORK/before" || fail "a refused open changed the vault"
printf '\r\n' >"$WORK/empty.enc"
cli 'Secret1\n' --vault "$WORK/empty.enc" ls
expect "a vault with no master password" 1 "" \
    "keyshelf-cli: Could not open $WORK/empty.enc: it has no master password yet; start Keyshelf once to make one"
cli 'Secret1\n' --vault "$WORK/none.enc" ls
expect "no vault" 1 "" \
    "keyshelf-cli: Could not open $WORK/none.enc: there is no vault there yet; start Keyshelf once to make one"
[ ! -e "$WORK/none.enc" ] || fail "keyshelf-cli made a vault"

# The vault beside the program, found through a link to it, whatever the working folder or environment.
mkdir -p "$WORK/home/bin" "$WORK/home/share"
cp "$CLI" "$WORK/home/share/keyshelf-cli"
ln -s ../share/keyshelf-cli "$WORK/home/bin/keyshelf-cli"
"$MAKE" "$WORK/home/share/data.enc" Secret1 beside pw-beside-12345 program.example
"$MAKE" "$WORK/home/bin/data.enc" Secret1 link pw-link-12345 link.example
(cd "$WORK" && printf 'Secret1\n' | HOME="$WORK/home/bin" XDG_DATA_HOME="$WORK/home/bin" \
    "$WORK/home/bin/keyshelf-cli" ls >"$WORK/out" 2>"$WORK/err")
rc=$?
expect "the vault beside the program" 0 "$(printf '1\tbeside\tprogram.example')"

# Hostile texts: a control character in a field never reaches the terminal raw.
"$MAKE" "$V" Secret1 $'evil\e]0;owned\a' pw-evil-12345 $'site\x7f\xc2\x902J'
cli 'Secret1\n' --vault "$V" ls
expect "control characters" 0 "$(printf '1\tevil\\x1b]0;owned\\x07\tsite\\x7f\\x902J')"

# Changes from a script: add, edit and rm, each file checked byte for byte against the writer.
base
cli 'Secret1\npw-carol-9876\n' --vault "$V" add --username Carol --location carol.example
expect "add" 0 "Added entry 4." ""
same_as add Secret1 alice pw-alice-123 example.com Bob pw-bob-45678 mail.example.org José pw-jose-0000 \
    Ünïcode.example Carol pw-carol-9876 carol.example
cli 'Secret1\n' --vault "$V" edit carol --location "www.carol.example"
expect "edit --location" 0 "Changed entry 4 (Carol, carol.example), now (Carol, www.carol.example)."
cli 'Secret1\nnew-pw-for-bob\n' --vault "$V" edit 2 --password
expect "edit --password" 0 "Changed entry 2 (Bob, mail.example.org)."
cli 'Secret1\nJosefina\n\n\n' --vault "$V" edit 3
expect "edit, every field asked" 0
same_as edit Secret1 alice pw-alice-123 example.com Bob new-pw-for-bob mail.example.org Josefina pw-jose-0000 \
    Ünïcode.example Carol pw-carol-9876 www.carol.example
cli 'Secret1\ny\n' --vault "$V" rm 1
expect "rm, answered yes" 0 "Deleted entry 1 (alice, example.com)."
cli 'Secret1\n' --vault "$V" rm carol --yes
expect "rm --yes" 0
same_as rm Secret1 Bob new-pw-for-bob mail.example.org Josefina pw-jose-0000 Ünïcode.example
cli 'Secret1\n' --vault "$V" add --username gen --location gen.example --generate 30
expect "add --generate" 0
cli 'Secret1\n' --vault "$V" show gen --password
grep -qxE 'Password: [!-{}~]{30}' "$WORK/out" || fail "add --generate 30 stored $(cat "$WORK/out")"

# Entries named by their exact fields, as scripts name them: the same entry after another program sorted
# the list and added one at the top, an "@" in a username or a location, and a field holding a control
# character named as ls prints it.
stable() { # stable [USERNAME PASSWORD LOCATION]...: the vault, and the stamp ls --stamp gives it in $stamp
    "$MAKE" "$V" Secret1 "$@" && cli 'Secret1\n' --vault "$V" ls --stamp
    stamp=$(sed -n '1s/^Stamp: //p' "$WORK/out")
    [[ $stamp =~ ^[0-9a-f]{12}$ ]] && [ "$(wc -l <"$WORK/out")" -eq $(($# / 3 + 1)) ] || fail "ls --stamp: $(cat "$WORK/out")"
}
ENTRIES=(ann@example.org pw-1 shop.example ann pw-2 example.org@shop.example zed pw-3 ssh://git@host
    $'esc\e[1m' pw-4 x.example)
for order in "0 1 2 3" "3 2 1 0"; do # as listed, then sorted the other way with one added first
    rows=()
    [ "$order" = "0 1 2 3" ] || rows=(new pw-new new.example)
    for i in $order; do rows+=("${ENTRIES[@]:3*i:3}"); done
    stable "${rows[@]}"
    while IFS='#' read -r username location; do
        cli 'Secret1\n' --vault "$V" show --with-username "$username" --with-location "$location"
        expect "show --with-username $username --with-location $location ($order)" 0
        [ "$(sed -n '2,3p' "$WORK/out")" = "$(printf 'Username: %s\nUsed At: %s' "$username" "$location")" ] ||
            fail "--with-username $username --with-location $location ($order) showed $(cat "$WORK/out")"
    done <<'EOF'
ann@example.org#shop.example
ann#example.org@shop.example
zed#ssh://git@host
esc\x1b[1m#x.example
EOF
done
cli 'Secret1\n' --vault "$V" rm --with-username ann --with-location example.org@shop.example --yes
expect "rm --with-username --with-location" 0 "Deleted entry 4 (ann, example.org@shop.example)." ""
cli 'Secret1\nnew-pw-4\n' --vault "$V" edit --with-location x.example --username esc --password
expect "edit --with-location" 0 'Changed entry 2 (esc\x1b[1m, x.example), now (esc, x.example).' ""
same_as "rm and edit by their fields" Secret1 new pw-new new.example esc new-pw-4 x.example zed pw-3 ssh://git@host \
    ann@example.org pw-1 shop.example
cli 'Secret1\n' --vault "$V" show zed --with-location ssh://git@host --password
expect "TEXT and --with-location" 0 "$(printf 'Entry: 3\nUsername: zed\nPassword: pw-3\nUsed At: ssh://git@host')"
# None, several, a number the fields do not match, a listing older than the file: status 1, nothing done.
stable zed pw-1 a.example Zed pw-2 b.example zed pw-3 c.example zed pw-4 c.example
cli 'Secret1\n' --vault "$V" ls --with-username zed --with-location c.example
expect "ls --with-username --with-location" 0 "$(printf '3\tzed\tc.example\n4\tzed\tc.example')"
cli 'Secret1\n' --vault "$V" rm 1 --listed "$stamp" --yes
expect "a number checked against its listing" 0 "Deleted entry 1 (zed, a.example)."
cp -p "$V" "$WORK/before"
while IFS='#' read -r args out message; do
    eval "words=($args)"
    cli 'Secret1\n' --vault "$V" "${words[@]}"
    expect "$args" 1 "$(printf "$out")" "keyshelf-cli: $message"
    cmp -s "$V" "$WORK/before" || fail "$args: the vault was changed"
done <<EOF
rm 1 --listed $stamp --yes##$V changed since the listing stamped $stamp: list the entries again; nothing was done
rm --with-username ZED --yes##no entry has the username "ZED"
edit --with-username zed --with-location c.example --generate#2\\tzed\\tc.example\\n3\\tzed\\tc.example#2 entries have the username "zed" and the location "c.example": name one by its number
rm 1 --with-username zed --yes##entry 1 (Zed, b.example) does not have the username "zed"
rm c.example --with-location b.example --yes##no entry that holds "c.example" has the location "b.example"
EOF

# The editor's refusals, and every other change refused: the vault stays as it was.
base
cp -p "$V" "$WORK/before"
while IFS='#' read -r input args message; do
    eval "words=($args)"
    cli "$input" --vault "$V" "${words[@]}"
    expect "$args" 1 "" "keyshelf-cli: $message"
    cmp -s "$V" "$WORK/before" || fail "$args: the refused change was written"
done <<'EOF'
Secret1\n\n#add --location x#You must enter a username
Secret1\n\n#add --username u --location x#You must enter a password
Secret1\npw\n#add --username 'a|||b' --location x#The username can not contain "|||" or end with "|", because "|||" separates the fields in the password file.
Secret1\npw|\n#add --username u --location x#The password can not contain "|||" or end with "|", because "|||" separates the fields in the password file.
Secret1\npw\n#add --username u --location 'x|||y'#The website can not contain "|||", which separates the fields in the password file.
Secret1\npw\n#add --username 'snow☃' --location x#The username contains a character "☃" that can not be stored in the password file.  Please leave it out.
Secret1\npw\n#add --username $'a\xc2\x8d' --location x#The username contains a control character that can not be stored in the password file.  Please leave it out.
Secret1\n#edit 1 --username ''#You must enter a username
Secret1\nn\n#rm 1#nothing was deleted
Secret1\n#rm 9 --yes#there is no entry 9: the list holds 3 entries
EOF
big_vault "$WORK/full.enc" 32767
cp -p "$WORK/full.enc" "$WORK/before"
cli 'Secret1\npw\n' --vault "$WORK/full.enc" add --username u --location x
expect "add to a full list" 1 "" "keyshelf-cli: The list is full: the password file holds at most 32,767 entries.  Delete an entry before adding another."
cmp -s "$WORK/full.enc" "$WORK/before" || fail "a full list was changed"
big_vault "$WORK/over.enc" 32768
cp -p "$WORK/over.enc" "$WORK/before"
cli 'Secret1\n' --vault "$WORK/over.enc" ls
[ "$rc" -eq 0 ] && [ "$(wc -l <"$WORK/out")" -eq 32767 ] && [ "$(tail -n 1 "$WORK/out")" = "$(printf '32767\tu32767\tl32767')" ] &&
    grep -qF "holds 32768 entries, more than the 32,767 Keyshelf can show" "$WORK/err" ||
    fail "ls over 32,768 entries: status $rc, $(wc -l <"$WORK/out") lines, $(cat "$WORK/err")"
cli 'Secret1\n' --vault "$WORK/over.enc" rm 1 --yes
expect "a change to an over-full vault" 1 "" "keyshelf-cli: Could not change $WORK/over.enc: it holds 32768 entries, more than the 32,767 Keyshelf can show, so no change is saved, so that none of the others is lost"
cmp -s "$WORK/over.enc" "$WORK/before" || fail "an over-full vault was changed"
big_vault "$WORK/two.enc" 2
"$MAKE" "$WORK/expected" Secret1 u1 p1 l1 u2 p2 l2 && cmp -s "$WORK/two.enc" "$WORK/expected" ||
    fail "big_vault does not write as the writer does"

# passwd: the old password, then the new one's rules; success changes line 1 and nothing else.
base
cp -p "$V" "$WORK/before"
while IFS='|' read -r input message; do
    cli "$input" --vault "$V" passwd
    expect "passwd: $message" 1 "" "keyshelf-cli: $message"
    cmp -s "$V" "$WORK/before" || fail "passwd changed the vault: $message"
done <<EOF
wrong\nNewMaster\n|Could not open $V: the master password was not correct
Secret1\nabc\n|You must enter a password that is at least 4 characters long
Secret1\nsnow☃man\n|Your password contains a character that can not be stored in the password file.  Please choose a password without it.
Secret1\n|no new master password was given
EOF
cli 'Secret1\nNewMaster\n' --vault "$V" passwd
expect "passwd" 0 "Changed the master password." ""
same_as passwd NewMaster alice pw-alice-123 example.com Bob pw-bob-45678 mail.example.org José pw-jose-0000 \
    Ünïcode.example
# A file holding a line the writer would not write back (a blank line between entries) is left alone.
{ head -c -2 "$V"; printf '\r\n\r\n'; } >"$WORK/odd" && cp "$WORK/odd" "$V"
cli 'NewMaster\nOtherMaster\n' --vault "$V" passwd
expect "passwd on a file the writer would not reproduce" 1 "" "keyshelf-cli: Could not change the master password of $V: it holds lines Keyshelf would not write back byte for byte (empty lines, entries without their separators, or other line ends); nothing was saved"
cmp -s "$V" "$WORK/odd" || fail "passwd rewrote a file it could not reproduce"

# seal, then the other commands on the sealed vault, passwd (a new salt; the old password no longer opens
# it), then unseal: the designed bytes come back exactly, and the file was never readable meanwhile.
base
cli 'Secret1\n' --vault "$V" seal
expect seal 0 "Sealed $V: it opens only with its master password now, in Keyshelf and keyshelf-cli alone." ""
sealed_start() { head -c 8 "$V" | od -An -tx1 | tr -d ' \n'; }
[ "$(sealed_start)" = 010d1d4b530d1d56 ] && ! grep -qaF -e alice -e "$(printf 'alice' | perl -pe 'tr/\x00-\xff/\x80-\xff\x00-\x7f/')" "$V" ||
    fail "seal left the vault readable: $(file_hex "$V")"
cli 'Secret1\n' --vault "$V" add --username carol --location c.example --generate
expect "add to a sealed vault" 0
salt=$(od -An -tx1 -j18 -N16 "$V")
cli 'Secret1\nNewMaster\n' --vault "$V" passwd
expect "passwd on a sealed vault" 0 "Changed the master password." ""
[ "$(sealed_start)" = 010d1d4b530d1d56 ] && [ "$(od -An -tx1 -j18 -N16 "$V")" != "$salt" ] ||
    fail "passwd did not seal the vault again with a new salt"
cli 'Secret1\n' --vault "$V" rm carol --yes
expect "the old password on a sealed vault" 1 "" "keyshelf-cli: Could not open $V: the master password was not correct"
cli 'NewMaster\n' --vault "$V" rm carol --yes
expect "rm on a sealed vault" 0
cli 'NewMaster\n' --vault "$V" unseal
expect unseal 0 "Unsealed $V: anyone who has the file can read its master password and entries again." ""
same_as "seal, passwd, unseal" NewMaster alice pw-alice-123 example.com Bob pw-bob-45678 mail.example.org \
    José pw-jose-0000 Ünïcode.example
cli 'NewMaster\n' --vault "$V" unseal
expect "unseal a designed vault" 1 "" "keyshelf-cli: Could not unseal $V: it is not sealed"
"$MAKE" --sealed "$V" Secret1 alice pw a.example
cli 'Secret1\n' --vault "$V" seal
expect "seal a sealed vault" 1 "" "keyshelf-cli: Could not seal $V: it is sealed already"
printf '\x00' | dd of="$V" bs=1 seek=40 conv=notrunc status=none && cp "$V" "$WORK/before"
cli '' --vault "$V" ls
expect "a damaged sealed vault, before any password" 1 "" "keyshelf-cli: Could not open $V: it is a sealed vault whose bytes are not the ones Keyshelf sealed (it was cut short, damaged or altered); it was not changed"
cmp -s "$V" "$WORK/before" || fail "a damaged sealed vault was changed"

# check: every finding, by entry number and username, and no password.
"$MAKE" "$V" Secret1 alice sharedpassword1 a.example bob sharedpassword1 b.example carol tiny7 c.example \
    Dave dave d.example erin e.example.org e.example.org alice sharedpassword1 a.example
cli 'Secret1\n' --vault "$V" check
expect check 0 "Checked 6 entries.
Passwords shared by several entries (1):
  1 alice, 2 bob, 6 alice
Passwords shorter than 12 characters (2):
  3 carol
  4 Dave
Passwords equal to their username or location (2):
  4 Dave
  5 erin
Entries that repeat another exactly (1):
  6 alice, the same as 1" ""
base
cli 'Secret1\n' --vault "$V" check
expect "check, nothing found" 0 "Checked 3 entries.
Passwords shared by several entries: none
Passwords shorter than 12 characters: none
Passwords equal to their username or location: none
Entries that repeat another exactly: none"

# import: each browser's and password manager's export into an empty vault gives exactly its logins,
# whatever the quoting, line ends, byte order mark or code page; refused and other rows leave no trace.
SAMPLES="$(dirname "$0")/../data/import"
import_case() { # import_case FILE [USERNAME PASSWORD LOCATION]...
    local file=$1
    shift
    "$MAKE" "$V" Secret1
    cli 'Secret1\n' --vault "$V" import "$SAMPLES/$file"
    expect "import $file" 0
    same_as "import $file" Secret1 "$@"
}
import_case firefox.csv ann@example.org 'a,b"c' https://shop.example bob 'p|pe' https://bank.example \
    cat s3cret https://news.example
import_case chrome.csv ann 'pa ss' https://shop.example/login dan forum-pw Forum bo 'a|b|c' https://bars.example
import_case bitwarden.csv eve 'e"ve' https://intra.example admin admin-pw Router
import_case keepassxc.csv fay 'f@y' https://wiki.example fay other Webmail
import_case lastpass.csv gus gus-pw https://lp.example
import_case windows1252.csv rené naïve https://café.example
grep -qF "read as Windows-1252" "$WORK/out" || fail "the report did not say the file was read as Windows-1252"

# Against a list: the same login is skipped, another password goes beside it or, with --replace, into it;
# --dry-run changes nothing; an unknown layout is refused before the master password is asked.
printf 'url,username,password\nshop.example,ann,old\nshop.example,ann,new\n' >"$WORK/in.csv"
"$MAKE" "$V" Secret1 ann old shop.example
cp -p "$V" "$WORK/before"
cli 'Secret1\n' --vault "$V" import "$WORK/in.csv" --dry-run
expect "import --dry-run" 0
grep -qF "Already in the list, skipped: 1" "$WORK/out" && cmp -s "$V" "$WORK/before" || fail "dry run: $(cat "$WORK/out")"
cli 'Secret1\n' --vault "$V" import "$WORK/in.csv" --replace --delete-file
expect "import --replace" 0
same_as "import --replace" Secret1 ann new shop.example
[ ! -e "$WORK/in.csv" ] || fail "--delete-file left the CSV file"
# Every refused row is printed, however many, and each column no entry keeps; --delete-file keeps a file
# that holds what was not imported.
{
    echo 'url,username,password,notes'
    for i in 1 2 3 4 5 6; do echo "site$i.example,,pw$i,"; done
    echo 'mail.example,dan,d-pw,"call first"'
} >"$WORK/lossy.csv"
"$MAKE" "$V" Secret1
cli 'Secret1\n' --vault "$V" import "$WORK/lossy.csv" --delete-file
expect "import --delete-file of a file with what is not imported" 1 "Layout: columns named username, password and url
To add: 1 entry
Already in the list, skipped: 0
Refused: 6
  line 2: You must enter a username
  line 3: You must enter a username
  line 4: You must enter a username
  line 5: You must enter a username
  line 6: You must enter a username
  line 7: You must enter a username
Not kept, as the password file has no place for them: 1 column
  notes: a value in 1 row
Imported 1 entry.  Data saved.
Not imported, and only in $WORK/lossy.csv: 6 refused rows and the values of the notes column (1 row)."
grep -qF "did not delete $WORK/lossy.csv" "$WORK/err" && [ -f "$WORK/lossy.csv" ] ||
    fail "--delete-file deleted a file holding what was not imported: $(cat "$WORK/err")"
same_as "import of a file with refused rows" Secret1 dan d-pw mail.example
printf 'title,login,secret\na,b,c\n' >"$WORK/other.csv"
cli '' --vault "$V" import "$WORK/other.csv"
expect "an unknown layout" 1
grep -qF "Keyshelf does not know this file's layout" "$WORK/err" || fail "unknown layout: $(cat "$WORK/err")"

# export, then import into an empty vault: the same entries in the same order; the file is the owner's
# alone, and an existing one is kept unless --force.
base
cli 'Secret1\n' --vault "$V" export -o "$WORK/export.csv"
expect "export" 0
[ "$(stat -c %a "$WORK/export.csv")" = 600 ] || fail "the export is open to others"
cli 'Secret1\n' --vault "$V" export -o "$WORK/export.csv"
expect "export over a file" 1
cp -p "$V" "$WORK/exported-from"
"$MAKE" "$V" Secret1
cli 'Secret1\n' --vault "$V" import "$WORK/export.csv"
expect "import of the export" 0
cmp -s "$V" "$WORK/exported-from" || fail "export and import changed the entries: $(file_hex "$V")"

# At a terminal: the shared pseudo-terminal helpers (pty_start, pty_wait, pty_type, pty_end).
. "$(dirname "$0")/terminal.sh"
at_terminal() { printf '%q ' env -u DISPLAY "$CLI" --vault "$V" "$@"; }

# Three wrong tries, each told, then status 1; nothing typed is echoed.
base
pty_start "$(at_terminal ls)"
for try in 1 2 3; do
    pty_wait "Master password for $V: " $try
    pty_type "wrong-$try"
done
pty_end
expect "three wrong master passwords" 1
[ "$(grep -c "Sorry, the password you entered was not correct." "$PTY")" -eq 3 ] && ! grep -q "wrong-" "$PTY" &&
    grep -qF "Could not open $V: the master password was not correct" "$PTY" || fail "three tries: $(cat -A "$PTY")"

# add, every question asked: the username and location echoed, the password twice without echo.
pty_start "$(at_terminal add)"
pty_wait "Master password for"
pty_type Secret1
pty_wait "Username: " && pty_type Carol
pty_wait "Location: " && pty_type carol.example
pty_wait "Password: " && pty_type "typed-pw-1234"
pty_wait "Password again: " && pty_type "typed-pw-1234"
pty_end
expect "add at a terminal" 0
grep -q "Carol" "$PTY" && ! grep -q "typed-pw\|Secret1" "$PTY" || fail "add at a terminal echoed: $(cat -A "$PTY")"
same_as "add at a terminal" Secret1 alice pw-alice-123 example.com Bob pw-bob-45678 mail.example.org José \
    pw-jose-0000 Ünïcode.example Carol typed-pw-1234 carol.example

# The new master password twice: a mismatch changes nothing.
cp -p "$V" "$WORK/before"
pty_start "$(at_terminal passwd)"
pty_wait "Master password for" && pty_type Secret1
pty_wait "New master password: " && pty_type "NewMaster"
pty_wait "New master password again: " && pty_type "NewMastr"
pty_end
expect "passwd, typed twice differently" 1
grep -qF "Your passwords did not match.  Please try again." "$PTY" || fail "passwd mismatch: $(cat -A "$PTY")"
cmp -s "$V" "$WORK/before" || fail "a mismatched new master password was written"

# Another program writes the vault while keyshelf-cli waits for the new password: nothing is saved, and
# the other program's file stays.
pty_start "$(at_terminal edit alice --password)"
pty_wait "Master password for" && pty_type Secret1
pty_wait "New password: "
"$MAKE" "$WORK/other" Secret1 other pw-other-12345 other.example && mv "$WORK/other" "$V"
cp -p "$V" "$WORK/before"
pty_type "changed-pw-1"
pty_wait "New password again: " && pty_type "changed-pw-1"
pty_end
expect "a change after another program's write" 1
grep -qF "Could not save $V: another program changed it while keyshelf-cli was changing it; nothing was saved" "$PTY" ||
    fail "no word of the other program's write: $(cat -A "$PTY")"
cmp -s "$V" "$WORK/before" || fail "the other program's vault was overwritten"

# Ctrl+C at the password prompt ends the program by SIGINT with the terminal's echo back on.
pty_start "bash -c 'trap : INT; $(at_terminal ls); echo \"status \$?\"; stty -a'"
pty_wait "Master password for"
printf '\003' >&9
pty_wait "status 130"
pty_end
grep -qw -- "-echo" "$PTY" && fail "Ctrl+C left the terminal without echo: $(cat -A "$PTY")"
grep -qw "echo" "$PTY" || fail "no terminal settings after Ctrl+C: $(cat -A "$PTY")"

# No secret ever went to standard error.
for secret in Secret1 NewMaster pw-alice-123 pw-bob-45678 pw-carol-9876 new-pw-for-bob sharedpassword1 tiny7 \
    typed-pw-1234 changed-pw-1 'a,b"c' s3cret forum-pw admin-pw gus-pw; do
    grep -qF -- "$secret" "$ERRORS" && fail "standard error showed the secret $secret: $(grep -F -- "$secret" "$ERRORS")"
done
echo "cli: ok"
