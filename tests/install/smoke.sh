#!/usr/bin/env bash
# The installed program end to end on a private X server: PREFIX/bin/quorvane ARCHIVE, the password
# typed, the thumbnails waited for on screen, a screenshot, an import through the dialog, Ctrl+Q
# with no click first and exit status 0. Afterwards no
# decrypted content is found in the folders the program may write to: its temporary folder (TMPDIR),
# its settings folder (XDG_CONFIG_HOME), its cache (XDG_CACHE_HOME), its data and runtime folders and
# the whole home folder. Every file there is searched for a run of bytes from each picture in the
# archive and for the items' names and comments, in UTF-8 and UTF-16. The same search is first run
# over a folder that does hold them, so that a search that finds nothing cannot pass unnoticed.
#
# By design the settings file holds preferences, pane widths, the list's view, the last text typed
# into Find and the folders last used for archives and imports; nothing from inside an archive.
# Usage: smoke.sh BUILD_DIR SHOTS_DIR. Exit 77 (skipped) when a tool it needs is not installed.
set -euo pipefail
build=$1
shots=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=x11-session.sh
source "$here/x11-session.sh"

skip_unless_tools Xvfb xdotool import convert update-mime-database update-desktop-database setsid
session_start "$build"
mkdir -p "$shots"
failure_shot=$shots/smoke-failure.png

pictures=$here/../data/pictures
mkdir -p "$work/archives"
archive=$work/archives/Tidepools.kvq
make_archive "$archive" 'smoke pass 31' "$pictures/magenta-lagoon.png" "$pictures/orange-harbour.png"
comment_one='reef at dawn, marmalade sky'
comment_two='quayside nocturne with gulls'
printf '%s\n' 'smoke pass 31' > "$work/password"
"$prefix/bin/kvq" comment "$archive" magenta-lagoon.png "$comment_one" --password-file "$work/password" > /dev/null ||
    fail "kvq comment"
"$prefix/bin/kvq" comment "$archive" orange-harbour.png "$comment_two" --password-file "$work/password" > /dev/null ||
    fail "kvq comment"
rm -f "$work/password"

# ---- what must not be found: byte runs of the pictures, names and comments. Compared as od's hex
# with a space before every byte, so that a match always starts on a byte.
hex() { od -An -v -tx1 | tr -d '\n'; }
as_utf16() { printf '%s' "$1" | LC_ALL=C sed 's/./&\x00/g'; }
secrets=()
labels=()
for picture in "$pictures/magenta-lagoon.png" "$pictures/orange-harbour.png"; do
    size=$(stat -c %s "$picture")
    for offset in 64 $((size / 2)) $((size - 96)); do
        secrets+=("$(od -An -v -tx1 -j "$offset" -N 24 "$picture" | tr -d '\n')")
        labels+=("bytes $offset.. of $(basename "$picture")")
    done
done
for text in magenta-lagoon orange-harbour "$comment_one" "$comment_two"; do
    secrets+=("$(printf '%s' "$text" | hex)" "$(as_utf16 "$text" | hex)")
    labels+=("'$text'" "'$text' in UTF-16")
done

# scan DIR...: prints "FILE: WHAT" for every secret found in a file under the folders.
scan() {
    local file content i
    while IFS= read -r -d '' file; do
        content=$(hex < "$file")
        for i in "${!secrets[@]}"; do
            if [[ $content == *"${secrets[$i]}"* ]]; then
                echo "$file: ${labels[$i]}"
            fi
        done
    done < <(find "$@" -type f -print0)
}

# The search finds what is there: the pictures themselves and files with the texts in both encodings.
mkdir -p "$work/control"
cp "$pictures"/*.png "$work/control/"
printf 'Find=magenta-lagoon\nComment=%s\n' "$comment_one" > "$work/control/utf8"
{
    as_utf16 orange-harbour
    as_utf16 "|$comment_two|magenta-lagoon|orange-harbour|$comment_one"
} > "$work/control/utf16"
printf 'orange-harbour %s\n' "$comment_two" >> "$work/control/utf8"
found=$(scan "$work/control" | wc -l)
[ "$found" -eq "${#secrets[@]}" ] || { scan "$work/control"; fail "the search found $found of ${#secrets[@]} planted"; }
rm -rf "$work/control"

# ---- the run
setsid -w env "${app_env[@]}" "$prefix/bin/quorvane" "$archive" > "$work/program.log" 2>&1 &
program=$!
session_groups+=("$program")

dialog=$(visible_window 'Archive Password' "$program") || fail "no password dialog (log: $(cat "$work/program.log"))"
type_password "$dialog" 'smoke pass 31'
main=$(visible_window 'Quorvane' "$program") || fail "no main window"

# The thumbnails are on screen when the list's part of the window (left of the preview) shows both
# pictures' colours over a thumbnail's area each.
colour_pixels() {
    convert "$1" -alpha off -crop 35%x100%+0+0 +repage -fuzz 14% -fill black +opaque "$2" -fill white \
        -opaque "$2" -colorspace gray -format '%[fx:int(mean*w*h+0.5)]' info:
}
thumbnails_shown() {
    import -window "$main" "$work/shots/poll.png" 2> /dev/null || return 1
    [ "$(colour_pixels "$work/shots/poll.png" '#d0209a')" -ge 1500 ] &&
        [ "$(colour_pixels "$work/shots/poll.png" '#f08018')" -ge 1500 ]
}
waitfor 120 "both thumbnails on screen" thumbnails_shown
holds_open "$program" "$archive" || fail "the program does not hold the archive open"
shot "$shots/smoke-thumbnails.png"
# What the program has written so far (it is still running) ...
leaks=$(scan "$home" "$work/config" "$work/cache" "$work/data" "$work/tmp" "$work/runtime")
[ -z "$leaks" ] || fail "decrypted content written to disk while the archive is open:
$leaks"

# An import through the dialog: a progress window comes and goes, and then the keys reach the main
# window again without a click (no window manager hands them back here).
mkdir -p "$work/import"
cp "$pictures/orange-harbour.png" "$work/import/harbour-again.png"
xdotool windowfocus --sync "$main"
xdotool key ctrl+i
picker=$(visible_window 'Import' "$program") || fail "no import dialog"
xdotool windowfocus --sync "$picker"
xdotool type --delay 20 "$work/import/harbour-again.png"
xdotool key Return
keys_at_main() { [ "$(xdotool getwindowfocus 2> /dev/null)" = "$main" ]; }
waitfor 120 "the import to end with the keys back at the main window" keys_at_main
xdotool key ctrl+q
waitfor 120 "the program to quit" sh -c "! kill -0 $program 2> /dev/null"
status=0
wait "$program" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status (log: $(cat "$work/program.log"))"

# ---- ... and what it left behind.
settings=$work/config/KVQ/Quorvane.conf
[ -s "$settings" ] || fail "no settings file was written at $settings"
leaks=$(scan "$home" "$work/config" "$work/cache" "$work/data" "$work/tmp" "$work/runtime")
[ -z "$leaks" ] || fail "decrypted content written to disk:
$leaks"
printf '%s\n' 'smoke pass 31' > "$work/password"
"$prefix/bin/kvq" ls "$archive" --password-file "$work/password" | grep -q 'harbour-again\.png$' ||
    fail "the imported picture is not in the archive"
rm -f "$work/password"
# Beside the archive only the archive itself remains (no journal, no temporary copy).
extra=$(find "$work/archives" -mindepth 1 ! -name Tidepools.kvq)
[ -z "$extra" ] || fail "left beside the archive: $extra"
echo "settings written: $(sed -n 's/^\([^=]*\)=.*/\1/p' "$settings" | tr '\n' ' ')"
echo "thumbnails shown, clean exit; scanned $(find "$home" "$work/config" "$work/cache" "$work/data" "$work/tmp" \
    "$work/runtime" -type f | wc -l) files: none holds a picture's bytes, a name or a comment"
