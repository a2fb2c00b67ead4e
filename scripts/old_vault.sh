#!/usr/bin/env bash
# Finds a vault that an earlier ./scripts/run.sh left in the build folder, where deleting the build would
# delete it, and offers to move it into the installed program's folder. Never overwrites a vault.
# Usage: old_vault.sh OLD_DATA_ENC INSTALL_FOLDER
# Asks only when standard input is a terminal; otherwise prints the command and changes nothing.
# A name may start with "-" or hold anything, even a terminal's escape sequence: every command gets it
# after "--", and every message prints it quoted (printf %q), so the terminal never sees it raw.
set -euo pipefail
old=$1
folder=$2
new="$folder/data.enc"
q() { printf '%q' "$1"; }
case $folder in
"$HOME"/*) shown="~$(q "${folder#"$HOME"}")/" ;;
*) shown="$(q "$folder")/" ;;
esac

# What a start that made no master password leaves: no bytes, or only the line end of an empty master
# line (line ends are stored as they are, only the text is scrambled). Nothing in it to keep.
holds_nothing() {
    [ ! -s "$1" ] || cmp -s -- "$1" <(printf '\r\n') || cmp -s -- "$1" <(printf '\r')
}

[ -e "$old" ] || exit 0
holds_nothing "$old" && exit 0

if [ -e "$new" ]; then
    echo "Warning: there are two Keyshelf vaults. Keyshelf uses $(q "$new");" >&2
    echo "the one in the build folder, $(q "$old"), is deleted with the build folder." >&2
    echo "Neither was changed. Keep the one you want, outside the build folder." >&2
    if holds_nothing "$new"; then
        echo "The one Keyshelf uses is empty (no master password was made). To use the old one instead," >&2
        echo "with Keyshelf closed, run:" >&2
        printf '  mv -f -- %q %q\n' "$old" "$new" >&2
    fi
    exit 0
fi

echo "Your Keyshelf vault from an earlier version is in the build folder: $(q "$old")"
echo "Deleting the build folder deletes it. Keyshelf now keeps it in $(q "$folder")."
if [ -t 0 ]; then
    read -r -p "Move it to $shown? [y/N] " answer || answer=
    if [[ $answer =~ ^[Yy] ]]; then
        mkdir -p -m 0700 -- "$folder"
        mv -n -- "$old" "$new"
        if [ -e "$old" ] || [ ! -e "$new" ]; then
            echo "Could not move $(q "$old") to $(q "$new"); nothing was changed." >&2
            exit 1
        fi
        echo "Moved to $(q "$new")."
        exit 0
    fi
fi
echo "Until it is moved, Keyshelf starts without it. To move it, with Keyshelf closed, run:"
printf '  mkdir -p -m 0700 -- %q && mv -n -- %q %q\n' "$folder" "$old" "$new"
echo "(If Keyshelf has made an empty vault there meanwhile, mv -n leaves both; ./scripts/run.sh then says"
echo "how to replace the empty one.)"
