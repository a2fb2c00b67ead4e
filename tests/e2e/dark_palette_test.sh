#!/usr/bin/env bash
# Every window in a dark palette, qt6ct's "darker" colour scheme as a desktop with a dark theme hands it to
# Qt programs, and for comparison in the default light one: the password dialog in both modes, the help
# window, the main window, the editor adding and editing (with the password box's menu), the find box, and
# the about window, each in a screenshot of
# its own. The texts that have colours of their own (the help's headings and warning, the about window's
# product name and link) must stand out from what lies behind them in both palettes, and in the light one
# keep exactly the colours they always had; so must the labels and the typed text of the dialogs.
# Usage: dark_palette_test.sh path/to/keyshelf path/to/make_vault screenshot-folder [NAME]
# NAME, when given, goes into the screenshots' names (a skinned build's, beside the normal one's).
set -u
PROGRAM=$1
MAKE_VAULT=$2
SHOTS=$3
NAME=${4:-}
. "$(dirname "$0")/x11.sh"

SCHEME=/usr/share/qt6ct/colors/darker.conf
[ -f "$SCHEME" ] && ls /usr/lib/*/qt6/plugins/platformthemes/libqt6ct.so >/dev/null 2>&1 ||
    fail "qt6ct is not installed (scripts/setup.sh test installs it)"

# window_shot NAME WINDOW: the window's own pixels, without the window manager's frame.
window_shot() { shot "$1" "$2"; }


# background SHOT GEOMETRY: the luminance most pixels of the area have.
background() {
    convert "$SHOTS/$1.png" -crop "$2" +repage -alpha off -grayscale Rec709Luminance -depth 16 \
        -format %c histogram:info:- | sort -rn | head -n 1 | sed -E 's/^[^(]*\(([0-9]+),.*/\1/' |
        awk '{ printf "%.5f", $1 / 65535 }'
}

# contrasting SHOT GEOMETRY [CONDITION]: how many pixels of the area contrast at least 4.5:1 with its
# background (4.3, for the screen's rounding), among those that meet the fx CONDITION (a hue).
contrasting() {
    local bg
    bg=$(background "$1" "$2")
    [ -n "$bg" ] || fail "no background in $1 at $2"
    # Each pixel's relative luminance (WCAG 2: 0.2126 R + 0.7152 G + 0.0722 B of the linear channels) is
    # ImageMagick's Rec709Luminance, made in a second image, so that -fx only compares, once a pixel.
    convert "$SHOTS/$1.png" -crop "$2" +repage -alpha off \( +clone -grayscale Rec709Luminance \) -channel R \
        -fx "L=v.r; (max(L,$bg)+0.05)/(min(L,$bg)+0.05)>=4.3 && (${3:-1})" \
        -format "%[fx:round(mean.r*w*h)]" info:
}

# legible SHOT GEOMETRY LEAST WHAT [CONDITION]: at least LEAST such pixels, or the test fails.
legible() {
    local n
    n=$(contrasting "$1" "$2" "${5:-1}")
    [ "${n:-0}" -ge "$3" ] || fail "$4 cannot be read in $1: ${n:-no} pixels of enough contrast at $2"
}

# exactly SHOT GEOMETRY COLOUR LEAST WHAT: at least LEAST pixels of the area are COLOUR itself.
exactly() {
    local n
    n=$(convert "$SHOTS/$1.png" -crop "$2" +repage -alpha off -fill black +opaque "$3" -fill white -opaque "$3" \
        -format "%[fx:round(mean*w*h)]" info:)
    [ "${n:-0}" -ge "$4" ] || fail "$5 is no longer $3 in $1 (${n:-no} pixels)"
}

# palette_is SHOT GEOMETRY dark|light: the area's background has the palette's lightness.
palette_is() {
    local bg
    bg=$(background "$1" "$2")
    if [ "$3" = dark ]; then
        awk -v l="$bg" 'BEGIN { exit !(l < 0.1) }' || fail "$1 is not dark (luminance $bg): the scheme was not applied"
    else
        awk -v l="$bg" 'BEGIN { exit !(l > 0.5) }' || fail "$1 is not light (luminance $bg)"
    fi
}

start_x

for palette in dark light; do
    [ -n "${WORK:-}" ] && rm -rf "$WORK"
    prepare_folder "$PROGRAM"
    cp "$E2E_DIR/../../Help.rtf" "$WORK/Help.rtf"
    if [ "$palette" = dark ]; then
        mkdir -p "$XDG_CONFIG_HOME/qt6ct"
        # Fonts as Qt picks them without a theme, so that only the colours differ from the light run.
        printf '[Appearance]\ncolor_scheme_path=%s\ncustom_palette=true\nstyle=Fusion\n\n[Fonts]\n%s\n%s\n' \
            "$SCHEME" 'general="Sans Serif,9,-1,5,400,0,0,0,0,0,0,0,0,0,0,1"' \
            'fixed="Monospace,9,-1,5,400,0,0,0,0,0,0,0,0,0,0,1"' >"$XDG_CONFIG_HOME/qt6ct/qt6ct.conf"
        export QT_QPA_PLATFORMTHEME=qt6ct
    else
        unset QT_QPA_PLATFORMTHEME
    fi
    name="dark-palette${NAME:+-$NAME}-$palette"

    # First start: the dialog creates the master password, then the help comes over the main window.
    "$WORK/keyshelf" 2>"$WORK/stderr" &
    APP_PID=$!
    dialog=$(wait_window "Password Required" 15) || exit 1
    window_shot "$name-password-create" "$dialog"
    log_in "Secret1" "Secret1"
    main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1
    help=$(wait_window "Readme/Help") || exit 1
    window_shot "$name-help" "$help"
    palette_is "$name-help" "300x28+12+6" "$palette" # the document's page: the palette's, skinned or not
    # The first heading, "Welcome to Keyshelf", in the document's dark blue (beside the text cursor).
    legible "$name-help" "300x28+12+6" 150 "the help's first heading" "b>r+0.1"
    # The warning in red, a few paragraphs down.
    legible "$name-help" "660x440+12+40" 100 "the help's red warning" "r>g+0.2 && r>b+0.2"
    if [ "$palette" = light ]; then
        exactly "$name-help" "300x28+12+6" "#1f4e79" 100 "the first heading"
        exactly "$name-help" "660x440+12+40" "#991b1b" 100 "the warning"
    fi
    close_window "$help"
    wait_no_window "Readme/Help" || fail "the help window did not close"
    window_shot "$name-main-window-first-start" "$main"
    close_window "$main"
    wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"

    # A later start on a vault with entries, the help switched off.
    help_off
    "$MAKE_VAULT" "$WORK/data.enc" "Secret1" "alice" "a-pw" "www.alice.example" "bob" "b-pw" "Office PC" ||
        fail "make_vault failed"
    "$WORK/keyshelf" 2>>"$WORK/stderr" &
    APP_PID=$!
    dialog=$(wait_window "Password Required" 15) || exit 1
    window_shot "$name-password-enter" "$dialog"
    legible "$name-password-enter" "61x17+8+21" 40 "the label \"Password:\""
    log_in "Secret1"
    main=$(wait_window "Keyshelf by Keyshelf Software") || exit 1
    xdotool windowactivate --sync "$main"
    xdotool key Tab Tab Tab Tab Home  # Edit, Delete, the website button, then the list: alice
    window_shot "$name-main-window" "$main"
    # The banner band (its page is not served here) shows the window's own colour, not a browser's white.
    band=$(background "$name-main-window" "400x50+20+155")
    beside=$(background "$name-main-window" "100x50+485+155")
    awk -v a="$band" -v b="$beside" 'BEGIN { d = a - b; exit !(d < 0.03 && d > -0.03) }' ||
        fail "the banner band is not the window's colour in $name-main-window (luminance $band against $beside)"

    xdotool key shift+Tab shift+Tab shift+Tab shift+Tab Return # back to Add
    editor=$(wait_window "Add an entry") || exit 1
    xdotool key Tab Tab
    xdotool type --delay 20 "carol"
    window_shot "$name-editor-add" "$editor"
    close_window "$editor"
    wait_no_window "Add an entry" || fail "the editor did not close"

    xdotool windowactivate --sync "$main"
    xdotool key Tab Tab Tab Tab End Home Return # the list's Enter edits alice
    editor=$(wait_window "Edit an entry") || exit 1
    window_shot "$name-editor-edit" "$editor"
    legible "$name-editor-edit" "77x17+8+8" 60 "the label \"Username:\""
    legible "$name-editor-edit" "120x15+92+7" 40 "the username in its box"
    shown=$(xdotool search --onlyvisible --pid "$APP_PID" | wc -l)
    xdotool key Tab Tab Tab Menu # the password box's context menu, by keyboard: a window more
    wait_for 5 eval '[ "$(xdotool search --onlyvisible --pid "$APP_PID" | wc -l)" -gt "$shown" ]' ||
        fail "the password box's menu did not open"
    shot "$name-editor-password-menu"
    xdotool key Escape
    close_window "$editor"
    wait_no_window "Edit an entry" || fail "the editor did not close"

    xdotool windowactivate --sync "$main"
    xdotool key ctrl+f # the box opens inside the main window
    xdotool type --delay 20 "ALI"
    xdotool key Return
    window_shot "$name-main-window-found" "$main"
    xdotool key Escape

    about=$(open_about "$main") || exit 1 # from its menu
    xdotool mousemove 0 0 # no hover over the link
    window_shot "$name-about" "$about"
    # The product's name on the header picture, and the website's address.
    legible "$name-about" "377x29+8+20" 150 "the product's name"
    legible "$name-about" "309x21+172+140" 100 "the website's address" "b>r+0.1"
    if [ "$palette" = light ]; then
        exactly "$name-about" "309x21+172+140" "#0000ff" 100 "the website's address"
    fi
    close_window "$about"
    close_window "$main"
    wait_gone "$APP_PID" 5 || fail "closing the main window did not end the program"
    APP_PID=
done
echo "dark palette: ok"
