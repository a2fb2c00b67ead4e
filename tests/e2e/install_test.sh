#!/usr/bin/env bash
# The per-user install: its layout; the installed program started through the launcher on the PATH keeps
# its vault beside itself, not in the build; a reinstall keeps the vault; a folder outside the user's home
# is refused before anything is copied, and so is a folder of the destination that links out of it; a
# link where a file goes is replaced, never written through; a bin/keyshelf or bin/keyshelf-cli of the
# user's is kept; --help and --version answer without a display; keyshelf-cli, started by name, opens the
# vault beside it; the uninstall removes all of it but the vault (and the user's launchers). Then the run command's handling of a vault left in the build folder by
# earlier versions.
# Usage: install_test.sh path/to/build screenshot-folder
set -u
BUILD=$(cd "$1" && pwd)
SHOTS=$2
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
. "$(dirname "$0")/x11.sh"

WORK=$(mktemp -d)
# The installs here record themselves in the build's install_manifest.txt, which the uninstall target
# reads: the developer's own record (of ./scripts/run.sh's install) is put back afterwards.
if [ -f "$BUILD/install_manifest.txt" ]; then cp -p "$BUILD/install_manifest.txt" "$WORK/manifest-before"; fi
restore_manifest() {
    if [ -f "$WORK/manifest-before" ]; then
        cp -p "$WORK/manifest-before" "$BUILD/install_manifest.txt"
    else
        rm -f "$BUILD/install_manifest.txt"
    fi
}
on_exit() { restore_manifest; }
trap stop_x EXIT
# A fresh home, with a space in its name so that the desktop entry has to quote the program's path.
export HOME="$WORK/home dir"
export XDG_CONFIG_HOME="$HOME/.config"
mkdir -p "$HOME"
PREFIX="$HOME/.local"
FOLDER="$PREFIX/share/keyshelf"
PROGRAM="$FOLDER/keyshelf"
DESKTOP="$PREFIX/share/applications/keyshelf.desktop"
touch "$WORK/before-install"
# File times are compared to the marker's: whatever is written from here on must come out newer, on a file
# system of any time resolution.
wait_for 3 eval 'touch "$WORK/probe" && [ "$WORK/probe" -nt "$WORK/before-install" ]' || fail "the clock stands still"

install_to() { # install_to PREFIX [log]: the install as a user runs it
    cmake --install "$BUILD" --prefix "$1" >"${2:-$WORK/install.log}" 2>&1
}
install_to "$PREFIX" || { cat "$WORK/install.log"; fail "the install failed"; }

# The layout.
[ -f "$PROGRAM" ] && [ -x "$PROGRAM" ] || fail "no program at $PROGRAM"
cmp -s "$FOLDER/Help.rtf" "$SOURCE/Help.rtf" || fail "Help.rtf is not beside the installed program"
[ "$(stat -c %a "$FOLDER")" = 700 ] || fail "$FOLDER has mode $(stat -c %a "$FOLDER"), not 700"
for name in keyshelf keyshelf-cli; do
    [ -x "$FOLDER/$name" ] && [ "$(readlink "$PREFIX/bin/$name")" = "../share/keyshelf/$name" ] ||
        fail "bin/$name links to $(readlink "$PREFIX/bin/$name")"
    [ "$(readlink -f "$PREFIX/bin/$name")" = "$(readlink -f "$FOLDER/$name")" ] || fail "bin/$name does not reach $name"
done
# The band's renderer, where the build has one, beside the program that starts it.
if [ -e "$BUILD/keyshelf-band" ]; then
    [ -x "$FOLDER/keyshelf-band" ] || fail "the band's renderer is not beside the installed program"
fi
desktop-file-validate "$DESKTOP" || fail "the desktop entry is not valid"
grep -qxF "Exec=\"$PROGRAM\"" "$DESKTOP" || fail "the desktop entry does not start $PROGRAM: $(grep ^Exec "$DESKTOP")"
grep -qxF "Icon=keyshelf" "$DESKTOP" || fail "the desktop entry names another icon"
if grep -qF "$BUILD" "$DESKTOP" || readlink "$PREFIX/bin/keyshelf" | grep -qF "$BUILD"; then
    fail "an installed file names the build folder"
fi
shipped=0
for icon in "$PREFIX"/share/icons/hicolor/*/apps/keyshelf.png; do
    size=${icon%/apps/keyshelf.png}
    size=${size##*/}
    [ "$(identify -format '%m %wx%h' "$icon" 2>/dev/null)" = "PNG $size" ] || fail "$icon is not a $size PNG"
    shipped=$((shipped + 1))
done
made=$(ls "$BUILD"/layouts/icons/AAA-*.png | wc -l)
[ "$shipped" -eq "$made" ] && [ "$made" -gt 0 ] || fail "$shipped icons installed of the $made the artwork has"
for row in share/man/man1/keyshelf.1:docs/keyshelf.1 share/man/man1/keyshelf-cli.1:docs/keyshelf-cli.1 \
    share/bash-completion/completions/keyshelf-cli:cli/keyshelf-cli.bash; do
    cmp -s "$PREFIX/${row%%:*}" "$SOURCE/${row#*:}" || fail "${row#*:} is not installed as ${row%%:*}"
done

# The command line, through the link on the PATH, with no display at all: answered at once.
quick() { # quick ARGUMENTS...: the installed program's status; its output in $WORK/out and $WORK/err
    env -u DISPLAY -u WAYLAND_DISPLAY PATH="$PREFIX/bin:$PATH" timeout 10 keyshelf "$@" >"$WORK/out" 2>"$WORK/err"
}
quick --help || fail "keyshelf --help: status $?: $(cat "$WORK/err")"
head -n 1 "$WORK/out" | grep -q "^Usage: keyshelf" && grep -qF "$FOLDER/data.enc" "$WORK/out" ||
    fail "keyshelf --help does not show the usage and the vault's path: $(cat "$WORK/out")"
quick --version || fail "keyshelf --version: status $?: $(cat "$WORK/err")"
grep -qxE "Keyshelf [0-9]+\.[0-9]+" "$WORK/out" || fail "keyshelf --version printed: $(cat "$WORK/out")"
quick --bogus
status=$?
[ "$status" -eq 2 ] && [ ! -s "$WORK/out" ] && grep -qxF "keyshelf: unknown option '--bogus'" "$WORK/err" ||
    fail "keyshelf --bogus: status $status: $(cat "$WORK/out" "$WORK/err")"

# The first start, by name through the PATH, from inside the build folder: the vault lands beside the
# program, whatever the link or the working folder.
start_x
[ "$(PATH="$PREFIX/bin:$PATH" command -v keyshelf)" = "$PREFIX/bin/keyshelf" ] || fail "keyshelf is not on the PATH"
(cd "$BUILD" && PATH="$PREFIX/bin:$PATH" exec keyshelf 2>/dev/null) &
APP_PID=$!
log_in "Secret1" "Secret1"
main=$(wait_window "Keyshelf by Keyshelf Software" 15) || exit 1
help=$(wait_window "Readme/Help") || exit 1 # it opens only when Help.rtf is beside the program
shot install-first-start
close_window "$help"
wait_no_window "Readme/Help" || fail "the help window did not close"
close_window "$main"
wait_gone "$APP_PID" 10 || fail "closing the main window did not end the program"
APP_PID=
[ "$(file_hex "$FOLDER/data.enc")" = "$(enciphered_hex Secret1)0d0a" ] || fail "no new vault in $FOLDER"
[ "$(stat -c %a "$FOLDER/data.enc")" = 600 ] || fail "data.enc has mode $(stat -c %a "$FOLDER/data.enc")"
# The companion, started by name from elsewhere, opens the same vault: the one beside it.
(cd "$BUILD" && printf 'Secret1\n' | PATH="$PREFIX/bin:$PATH" keyshelf-cli ls >"$WORK/out" 2>"$WORK/err") &&
    [ ! -s "$WORK/out" ] && [ ! -s "$WORK/err" ] || fail "keyshelf-cli ls on the new vault: $(cat "$WORK/out" "$WORK/err")"
created=$(find "$BUILD" -newer "$WORK/before-install" -type f ! -name install_manifest.txt \
    ! -path "$BUILD/Testing/*" ! -path "$BUILD/ccache/*" ! -path "$SHOTS/*")
[ -z "$created" ] || fail "the program wrote into the build folder: $created"
[ ! -e "$PREFIX/bin/data.enc" ] || fail "data.enc was made beside the link"

# Installing again replaces the program, never the vault, and closes the folder again.
cp -p "$FOLDER/data.enc" "$WORK/vault-before"
chmod 755 "$FOLDER"
install_to "$PREFIX" || { cat "$WORK/install.log"; fail "the second install failed"; }
cmp -s "$FOLDER/data.enc" "$WORK/vault-before" || fail "the second install changed data.enc"
[ "$(stat -c %a "$FOLDER/data.enc")" = 600 ] || fail "the second install changed data.enc's mode"
[ "$(stat -c %a "$FOLDER")" = 700 ] || fail "the second install left $FOLDER open to others"

# Uninstalling removes everything the install put down, and the folders that leaves empty, but the vault
# and its folder stay, and the message says where.
cmake --build "$BUILD" --target uninstall >"$WORK/uninstall.log" 2>&1 ||
    { cat "$WORK/uninstall.log"; fail "the uninstall failed"; }
left=$(cd "$PREFIX" && find . | sort | tr '\n' ' ')
[ "$left" = ". ./share ./share/keyshelf ./share/keyshelf/data.enc " ] ||
    fail "the uninstall left: $left"
cmp -s "$FOLDER/data.enc" "$WORK/vault-before" || fail "the uninstall changed data.enc"
grep -qF "Your vault stays at ~/.local/share/keyshelf/data.enc" "$WORK/uninstall.log" ||
    fail "the uninstall did not say where the vault stays: $(cat "$WORK/uninstall.log")"
install_to "$PREFIX" || { cat "$WORK/install.log"; fail "the install after the uninstall failed"; }

# Outside the home folder nothing is installed: another prefix, a link from home to elsewhere, a
# staging folder (DESTDIR) outside home.
mkdir "$WORK/elsewhere"
ln -s "$WORK/elsewhere" "$HOME/away"
refused() { # refused LABEL: the last install failed with the explanation and left nothing behind
    grep -q "installs per user" "$WORK/refused.log" || { cat "$WORK/refused.log"; fail "$1: no explanation"; }
    [ -z "$(ls -A "$WORK/elsewhere")" ] && [ ! -e "$WORK/stage" ] || fail "$1: files were copied"
}
install_to "$WORK/elsewhere/usr" "$WORK/refused.log" && fail "an install outside the home folder went ahead"
refused "other prefix"
install_to "$HOME/away/.local" "$WORK/refused.log" && fail "an install through a link out of home went ahead"
refused "link out of home"
DESTDIR="$WORK/stage" install_to "$PREFIX" "$WORK/refused.log" && fail "a staged install outside home went ahead"
refused "DESTDIR"

# What is already in the destination may be anyone's. A folder a file goes into that leads out of home
# (the prefix, share, share/keyshelf, bin, or a link to a folder not made yet) is refused before
# anything is written.
for row in ".:$WORK/elsewhere" "share:$WORK/elsewhere" "share/keyshelf:$WORK/elsewhere" "bin:$WORK/elsewhere" \
    "share/applications:$WORK/elsewhere/apps"; do
    link=${row%%:*}
    path="$HOME/linked/$link" && [ "$link" = . ] && path="$HOME/linked"
    rm -rf "$HOME/linked" && mkdir -p "$(dirname "$path")" && ln -s "${row#*:}" "$path"
    before=$(find "$HOME/linked" | sort)
    install_to "$HOME/linked" "$WORK/refused.log" && fail "an install through $link linked out of home went ahead"
    refused "$link linked out of home"
    [ "$(find "$HOME/linked" | sort)" = "$before" ] || fail "$link linked out of home: files were written"
done

# A link (or a hard link) where a file goes is replaced, never written through: the user's file it
# leads to stays as it was. A bin/keyshelf that is not Keyshelf's own link (the user's script, or a link
# to another program) is left alone, named, and not uninstalled; the rest installs.
size=$(ls "$BUILD"/layouts/icons/AAA-*.png | head -n 1 | sed 's/.*AAA-\([0-9]*\)\.png$/\1/')
traps=(share/applications/keyshelf.desktop share/keyshelf/keyshelf share/keyshelf/Help.rtf
    "share/icons/hicolor/${size}x$size/apps/keyshelf.png" share/man/man1/keyshelf.1 share/keyshelf/keyshelf-cli
    share/man/man1/keyshelf-cli.1 share/bash-completion/completions/keyshelf-cli)
bin_state() {
    for name in keyshelf keyshelf-cli; do stat -c %F "$T/bin/$name" && readlink "$T/bin/$name"; cksum <"$T/bin/$name"; done
}
for bin in script link; do
    T="$HOME/trap $bin"
    rm -rf "$T" "$HOME/mine"
    mkdir -p "$HOME/mine" "$T/bin"
    for i in "${!traps[@]}"; do
        echo "mine $i" >"$HOME/mine/$i"
        mkdir -p "$(dirname "$T/${traps[$i]}")"
        if [ "$i" -eq 4 ]; then ln "$HOME/mine/$i" "$T/${traps[$i]}"; else ln -s "$HOME/mine/$i" "$T/${traps[$i]}"; fi
    done
    for name in keyshelf keyshelf-cli; do
        if [ $bin = script ]; then printf '#!/bin/sh\necho mine\n' >"$T/bin/$name"; else ln -s /bin/true "$T/bin/$name"; fi
    done
    bin_before=$(bin_state)
    install_to "$T" || { cat "$WORK/install.log"; fail "the install beside a user's bin/keyshelf ($bin) failed"; }
    for i in "${!traps[@]}"; do
        [ "$(cat "$HOME/mine/$i")" = "mine $i" ] || fail "the install wrote through ${traps[$i]} into the user's file"
        [ -f "$T/${traps[$i]}" ] && [ ! -L "$T/${traps[$i]}" ] && ! grep -qx "mine $i" "$T/${traps[$i]}" ||
            fail "${traps[$i]} was not replaced by Keyshelf's file"
    done
    [ -x "$T/share/keyshelf/keyshelf" ] && cmp -s "$T/share/keyshelf/keyshelf" "$PROGRAM" || fail "the program is not installed"
    grep -qxF "Exec=\"$T/share/keyshelf/keyshelf\"" "$T/share/applications/keyshelf.desktop" || fail "the desktop entry is wrong"
    [ "$(bin_state)" = "$bin_before" ] || fail "the user's bin/keyshelf ($bin) was changed"
    for name in keyshelf keyshelf-cli; do
        grep -qF "left $T/bin/$name as it is" "$WORK/install.log" && grep -qF "$T/share/keyshelf/$name," "$WORK/install.log" ||
            fail "the install did not say it kept bin/$name ($bin): $(cat "$WORK/install.log")"
    done
done
# Nor does the uninstall remove a bin/keyshelf of the user's: one the install kept, or one put in place of
# Keyshelf's link since.
for when in kept since; do
    if [ $when = since ]; then
        for name in keyshelf keyshelf-cli; do rm "$T/bin/$name"; done
        install_to "$T" && [ -L "$T/bin/keyshelf" ] && [ -L "$T/bin/keyshelf-cli" ] || fail "the launchers were not installed"
        for name in keyshelf keyshelf-cli; do rm "$T/bin/$name" && printf '#!/bin/sh\necho mine\n' >"$T/bin/$name"; done
        bin_before=$(bin_state)
    fi
    cmake --build "$BUILD" --target uninstall >"$WORK/uninstall.log" 2>&1 || fail "the uninstall failed"
    [ "$(bin_state)" = "$bin_before" ] && [ ! -e "$T/share/keyshelf/keyshelf" ] ||
        fail "the uninstall removed the user's bin/keyshelf or bin/keyshelf-cli ($when), or not the program"
done
grep -qF "left $T/bin/keyshelf as it is" "$WORK/uninstall.log" && grep -qF "left $T/bin/keyshelf-cli as it is" "$WORK/uninstall.log" ||
    fail "the uninstall did not say it kept bin/keyshelf and bin/keyshelf-cli"

# The run command's check for a vault that earlier versions kept in the build folder. Paths have
# spaces, and the printed command must work as printed.
old_vault="$SOURCE/scripts/old_vault.sh"
old="$WORK/old build/data.enc"
dest="$WORK/new home/.local/share/keyshelf"
mkdir -p "$WORK/old build"
"$old_vault" "$old" "$dest" </dev/null >"$WORK/old.log" 2>&1 || fail "old_vault.sh failed without an old vault"
[ -s "$WORK/old.log" ] && fail "old_vault.sh spoke without an old vault: $(cat "$WORK/old.log")"

echo "old vault" >"$old"
"$old_vault" "$old" "$dest" </dev/null >"$WORK/old.log" 2>&1 || fail "old_vault.sh failed when not asked"
[ -e "$old" ] && [ ! -e "$dest" ] || fail "old_vault.sh moved the vault without asking"
command=$(grep -E '^ +mkdir .* mv -n ' "$WORK/old.log") || fail "no command to move the vault: $(cat "$WORK/old.log")"
eval "$command"
[ ! -e "$old" ] && [ "$(cat "$dest/data.enc")" = "old vault" ] || fail "the printed command did not move the vault"

ask() { # ask ANSWER: old_vault.sh at a terminal, answering its question
    # Run by bash, whatever $SHELL is: the command is quoted by printf %q, which may use $'…'.
    # The answer goes in through a pipe held open until the script has ended: at the end of its input,
    # `script` may end the program it runs before that program has printed anything.
    local fifo="$WORK/answer" rc=0
    rm -f "$fifo" && mkfifo "$fifo"
    SHELL=/bin/bash script -qec "$(printf '%q ' "$old_vault" "$old" "$dest")" /dev/null <"$fifo" >"$WORK/old.log" 2>&1 &
    local pid=$!
    exec 9>"$fifo"
    # Answered as a person would: once the question is on the screen (or the script ended without one).
    wait_for 10 eval 'grep -qF "[y/N]" "$WORK/old.log" || ! kill -0 "$pid" 2>/dev/null'
    (printf '%s\n' "$1" >&9) 2>/dev/null # in a subshell: a script that ended unasked is no reader
    wait "$pid" || rc=$?
    exec 9>&-
    rm -f "$fifo"
    return $rc
}
rm -rf "$WORK/new home"
echo "old vault" >"$old"
ask n || fail "old_vault.sh failed on No"
[ -e "$old" ] && [ ! -e "$dest/data.enc" ] || fail "old_vault.sh moved the vault on No"
ask y || fail "old_vault.sh failed on Yes: $(cat "$WORK/old.log")"
[ ! -e "$old" ] && [ "$(cat "$dest/data.enc")" = "old vault" ] || fail "old_vault.sh did not move the vault on Yes"
[ "$(stat -c %a "$dest")" = 700 ] || fail "old_vault.sh made $dest open to others"

# Two vaults: neither is touched, whatever the answer, and both are named.
echo "other vault" >"$old"
ask y || fail "old_vault.sh failed with two vaults"
[ "$(cat "$old")" = "other vault" ] && [ "$(cat "$dest/data.enc")" = "old vault" ] || fail "a vault was changed"
grep -qF "$(printf %q "$old")" "$WORK/old.log" && grep -qF "$(printf %q "$dest/data.enc")" "$WORK/old.log" ||
    fail "the two vaults were not named"
# A first start that made no password leaves an empty vault; the printed command replaces it with the old one.
printf '\r\n' >"$dest/data.enc"
"$old_vault" "$old" "$dest" </dev/null >"$WORK/old.log" 2>&1 || fail "old_vault.sh failed with an empty vault"
[ "$(cat "$old")" = "other vault" ] && [ "$(file_hex "$dest/data.enc")" = 0d0a ] || fail "a vault was changed"
command=$(grep -E '^ +mv -f ' "$WORK/old.log") || fail "no command to replace the empty vault: $(cat "$WORK/old.log")"
eval "$command"
[ ! -e "$old" ] && [ "$(cat "$dest/data.enc")" = "other vault" ] || fail "the printed command did not replace the empty vault"

# An old vault that holds no master password (what a start that made none leaves: no bytes, or only a
# line end) is nothing to keep: neither offered nor named beside the one in use, and left as it is.
for bytes in '' '\r' '\r\n'; do
    printf "$bytes" >"$old"
    rm -rf "$WORK/new home"
    ask y || fail "old_vault.sh failed on an old vault of bytes '$bytes'"
    [ -e "$old" ] && [ ! -e "$dest/data.enc" ] && ! grep -qi vault "$WORK/old.log" ||
        fail "an old vault of bytes '$bytes' was offered: $(cat "$WORK/old.log")"
    mkdir -p "$dest" && echo "in use" >"$dest/data.enc"
    "$old_vault" "$old" "$dest" </dev/null >"$WORK/old.log" 2>&1 || fail "old_vault.sh failed beside a vault"
    [ ! -s "$WORK/old.log" ] && [ "$(cat "$dest/data.enc")" = "in use" ] ||
        fail "an old vault of bytes '$bytes' was named as a second vault: $(cat "$WORK/old.log")"
done

# Names are the user's: one starting with "-" is not an option to mv or mkdir, and one holding a
# terminal's escape sequence is printed quoted, never raw. Each is offered, named beside a second vault,
# and moved by the printed command and on Yes.
mkdir -p "$WORK/cwd" && cd "$WORK/cwd" || fail "no working folder"
quoted() { ! grep -q $'\e' "$WORK/old.log" || fail "old_vault.sh printed a name raw: $(cat -v "$WORK/old.log")"; }
for row in "-old/data.enc|-new/keyshelf" "$WORK/esc"$'\e[2J\e]0;owned\a'"/data.enc|$WORK/esc"$'\e[31m'"home/keyshelf"; do
    old=${row%%|*} dest=${row#*|}
    rm -rf -- "$WORK"/esc* ./*
    mkdir -p -- "$(dirname -- "$old")" && echo "old vault" >"$old"
    "$old_vault" "$old" "$dest" </dev/null >"$WORK/old.log" 2>&1 || fail "old_vault.sh failed on $(printf %q "$old")"
    command=$(grep -E '^ +mkdir .* mv -n ' "$WORK/old.log") && eval "$command" &&
        [ ! -e "$old" ] && [ "$(cat -- "$dest/data.enc")" = "old vault" ] ||
        fail "the printed command did not move $(printf %q "$old"): $(cat -v "$WORK/old.log")"
    echo "other vault" >"$old"
    "$old_vault" "$old" "$dest" </dev/null >>"$WORK/old.log" 2>&1 || fail "old_vault.sh failed with two vaults"
    grep -qF -e "$(printf %q "$old")" "$WORK/old.log" || fail "the second vault was not named"
    quoted
    rm -- "$dest/data.enc"
    ask y && [ ! -e "$old" ] && [ "$(cat -- "$dest/data.enc")" = "other vault" ] ||
        fail "old_vault.sh did not move $(printf %q "$old") on Yes: $(cat -v "$WORK/old.log")"
    quoted
done

echo "install: ok"
