#!/usr/bin/env bash
# Opening archives the way a file manager does, with the installed program: `xdg-open A.kvq` on a
# private X server starts PREFIX/bin/quorvane through our desktop entry, which asks for A's password;
# a second `xdg-open B.kvq` hands B to that same process (the second start exits at once) and, after
# B's password, the one process holds both archives open. Ends with Ctrl+Q and exit status 0.
#
# With no desktop environment xdg-open takes its generic path: the MIME type from the shared-mime-info
# database, the default application from the desktop entries' cache, and the entry's Exec line run
# through PATH. The test says so explicitly: XDG_CURRENT_DESKTOP=X-Generic (the other desktops'
# variables unset), no mimeapps.list, and PATH with the prefix's bin/ first.
# Usage: xdg-open.sh BUILD_DIR SHOTS_DIR. Exit 77 (skipped) when a tool it needs is not installed.
set -euo pipefail
build=$1
shots=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=x11-session.sh
source "$here/x11-session.sh"

skip_unless_tools Xvfb xdotool import xdg-open xdg-mime update-mime-database update-desktop-database setsid
session_start "$build"
mkdir -p "$shots"
failure_shot=$shots/xdg-open-failure.png

mkdir -p "$work/archives"
a=$work/archives/Lagoon.kvq
b=$work/archives/Harbour.kvq
make_archive "$a" 'first-pass' "$here/../data/pictures/magenta-lagoon.png"
make_archive "$b" 'second-pass' "$here/../data/pictures/orange-harbour.png"

unset DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID MATE_DESKTOP_SESSION_ID DE BROWSER
app_env+=(XDG_CURRENT_DESKTOP=X-Generic)
[ "$(env "${app_env[@]}" xdg-mime query default application/x-quorvane-archive)" = quorvane.desktop ] ||
    fail "the default application is not our desktop entry"

# xdg-open waits for the program it starts; each runs in a process group of its own.
setsid -w env "${app_env[@]}" xdg-open "$a" > "$work/first.log" 2>&1 &
first=$!
session_groups+=("$first")

dialog=$(visible_window 'Archive Password') || fail "no password dialog after xdg-open (log: $(cat "$work/first.log"))"
pid=$(xdotool getwindowpid "$dialog") || fail "the password dialog has no process id"
session_pids+=("$pid")
# The window belongs to the installed program, started for archive A.
[ "$(readlink "/proc/$pid/exe")" = "$prefix/bin/quorvane" ] ||
    fail "the dialog belongs to $(readlink "/proc/$pid/exe"), not the installed program"
tr '\0' '\n' < "/proc/$pid/cmdline" | grep -qxF "$a" || fail "the program was not started for $a"
shot "$shots/xdg-open-password.png"

type_password "$dialog" 'first-pass'
waitfor 120 "$a to be opened" holds_open "$pid" "$a"
waitfor 60 "the password dialog to close" no_visible_window 'Archive Password'

# The second start hands B over and exits; xdg-open returns with its status.
setsid -w env "${app_env[@]}" xdg-open "$b" > "$work/second.log" 2>&1 &
second=$!
session_groups+=("$second")
waitfor 120 "the second xdg-open to return" sh -c "! kill -0 $second 2> /dev/null"
wait "$second" || fail "the second xdg-open failed (log: $(cat "$work/second.log"))"

dialog=$(visible_window 'Archive Password') || fail "no password dialog for the second archive"
[ "$(xdotool getwindowpid "$dialog")" = "$pid" ] || fail "the second archive's dialog is another process's"
type_password "$dialog" 'second-pass'
waitfor 120 "$b to be opened in the same process" holds_open "$pid" "$b"
holds_open "$pid" "$a" || fail "$a was closed when $b opened"
running=0
for exe in /proc/[0-9]*/exe; do
    [ "$(readlink "$exe" 2> /dev/null)" = "$prefix/bin/quorvane" ] && running=$((running + 1))
done
[ "$running" = 1 ] || fail "$running installed programs are running, not one"
main=$(visible_window 'Quorvane' "$pid") || fail "no main window"
shot "$shots/xdg-open-both.png"

xdotool windowfocus --sync "$main"
xdotool key ctrl+q
waitfor 120 "the program to quit" sh -c "! kill -0 $first 2> /dev/null"
wait "$first" || fail "xdg-open (and the program it ran) ended with status $?"
echo "xdg-open started $prefix/bin/quorvane for A; the second xdg-open opened B in the same process"
