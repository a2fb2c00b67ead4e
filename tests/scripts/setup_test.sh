#!/usr/bin/env bash
# The setup command as an ordinary user on a machine without sudo: with packages missing it names the
# one apt-get line to run as root and ends with status 2, installing nothing; with only packages the
# requested use does not need missing, it does nothing. dpkg-query and apt-get are stand-ins on a PATH
# that has no sudo.
# Usage: setup_test.sh
set -u
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
chmod 755 "$WORK"
BIN="$WORK/bin"
mkdir "$BIN"
for tool in bash cat grep id; do ln -s "$(command -v "$tool")" "$BIN/$tool"; done
cp "$SOURCE/scripts/setup.sh" "$WORK/" # the clone may lie where the user cannot read it
cat >"$BIN/dpkg-query" <<STUB
#!$(command -v bash)
# dpkg-query -W -f=FORMAT PACKAGE: installed unless listed in missing.txt
for p in \$(cat "$WORK/missing.txt"); do [ "\$p" = "\${!#}" ] && { echo "unknown ok not-installed"; exit 0; }; done
echo "install ok installed"
STUB
printf '#!%s\ntouch "%s/apt-get-ran"; exit 1\n' "$(command -v bash)" "$WORK" >"$BIN/apt-get"
chmod 755 "$BIN/dpkg-query" "$BIN/apt-get"

# setup MODE MISSING...: runs the setup command as an ordinary user; its output is in $WORK/out
setup() {
    local mode=$1
    shift
    echo "$*" >"$WORK/missing.txt"
    chmod 644 "$WORK/missing.txt"
    sh "$SOURCE/tests/run_as_user.sh" "$(command -v env)" -i PATH="$BIN" bash "$WORK/setup.sh" "$mode" \
        >"$WORK/out" 2>&1
}

PATH="$BIN" command -v sudo >/dev/null && fail "the test's PATH has sudo"
setup test xvfb xdotool
status=$?
[ "$status" -eq 2 ] || fail "status $status, not 2: $(cat "$WORK/out")"
grep -qxF "  apt-get update && apt-get install -y --no-install-recommends xvfb xdotool" "$WORK/out" ||
    fail "no apt-get line naming exactly the missing packages: $(cat "$WORK/out")"
grep -qi "command not found" "$WORK/out" && fail "a command was not found: $(cat "$WORK/out")"
[ -e "$WORK/apt-get-ran" ] && fail "apt-get ran"

setup run xvfb # a test tool: the run command does not need it
status=$?
[ "$status" -eq 0 ] && [ ! -s "$WORK/out" ] || fail "run with only a test tool missing: status $status: $(cat "$WORK/out")"
[ -e "$WORK/apt-get-ran" ] && fail "apt-get ran"
echo "setup: ok"
