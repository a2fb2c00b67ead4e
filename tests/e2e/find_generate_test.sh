#!/usr/bin/env bash
# Finding an entry among thousands and generating a password, in real windows and by keyboard alone:
# Ctrl+F, the text, Enter selects the entry; Escape gives the list the focus on it; Enter edits it;
# Ctrl+G in the password box fills it, its copy is a secret one and its selection stays out of PRIMARY,
# Save stores it, and data.enc holds exactly that password.
# Usage: find_generate_test.sh path/to/keyshelf path/to/make_vault screenshot-folder
set -u
. "$(dirname "$0")/x11.sh"
begin_with_vaults "$@"

# 3,000 entries; the one looked for lies far down the list, out of sight.
entries=()
for i in $(seq 0 2999); do
    if [ "$i" -eq 2500 ]; then
        entries+=("Carol.Example" "c-pw" "www.carol.example")
    else
        entries+=("user$i" "pw$i" "host$i.example")
    fi
done
start_logged_in "$MAKE_VAULT" "${entries[@]}"
xdotool windowactivate --sync "$main"

STEP="find"
xdotool key ctrl+f                       # the box opens inside the main window, with the focus
xdotool type --delay 20 "carol"
xdotool key Return
shot find-box
no_window "Find" || fail "the find box is a window of its own"
xdotool key Escape
wait_active "$main"
xdotool key ctrl+c                       # the list's own copy: the selected entry's username
wait_clipboard "Carol.Example" || fail "the entry selected after Find is \"$(clipboard)\", not Carol.Example"

STEP="generate"
xdotool key Return                       # Enter on the list edits the selected entry
editor=$(wait_window "Edit an entry") || exit 1
xdotool key Tab Tab Tab                  # Cancel, Save, the username box, then the password box
xdotool key ctrl+g
shot generate-password
xdotool key ctrl+a ctrl+c                # the box's own copy, to learn what it shows
wait_for 5 eval '! clipboard_is "Carol.Example"' || fail "the password box's copy did not reach the clipboard"
generated=$(clipboard)
[ "${#generated}" -eq 20 ] || fail "the password box holds \"$generated\", not a 20-character password"
case "$generated" in *"|"* | *" "*) fail "the generated password \"$generated\" holds \"|\" or a space" ;; esac
[ "$generated" != "c-pw" ] || fail "Ctrl+G left the password as it was"
xclip -o -selection clipboard -t TARGETS | grep -q "x-kde-passwordManagerHint" ||
    fail "the password box's copy is not marked as secret"
# Selecting in the box (Ctrl+A did) offers nothing as the X selection: a middle click elsewhere pastes no
# password.
[ "$(xclip -o -selection primary 2>/dev/null)" != "$generated" ] || fail "the password box's selection reached PRIMARY"
xdotool key Tab Return                   # Enter in the location box saves
wait_no_window "Edit an entry" || fail "the editor stayed open after Save"

entries[2500 * 3 + 1]=$generated
wait_vault "Secret1" "${entries[@]}" || fail "data.enc does not hold the generated password exactly"

close_window "$main"
wait_gone "$APP_PID" || fail "the program did not end"
grep -qF "$generated" "$WORK/stderr" && fail "the generated password appeared on stderr"
echo "find and generate: ok"
