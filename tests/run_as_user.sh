#!/bin/sh
# Runs a test program as an ordinary user: as itself when it is one, as "nobody" when started as root
# (file modes do not bind root). The build may lie in a folder only root can enter (a clone in root's
# home), so "nobody" runs a copy of the program from a folder of its own under /tmp.
# Usage: run_as_user.sh PROGRAM [ARGUMENTS...]
set -eu
if [ "$(id -u)" != 0 ]; then
    exec "$@"
fi
program=$1
shift
dir=$(mktemp -d /tmp/keyshelf-as-user.XXXXXX)
trap 'rm -rf "$dir"' EXIT
chmod 755 "$dir"
cp "$program" "$dir/"
status=0
setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/tmp "$dir/$(basename "$program")" "$@" || status=$?
exit "$status"
