# Sourced by the desktop tests that run the installed program on a private X server: the tools they
# need, a scratch folder with its own home, settings, cache, data, runtime and temporary folders,
# the build installed into a prefix there, an Xvfb server on a free display, and a clean-up that
# ends every process the test started and removes the scratch folder, on every way out.
#
# The program's environment is kept in the array `app_env` (used as `env "${app_env[@]}" CMD`), so
# that the test's own tools (xdotool, ImageMagick) never write into the folders the program is
# watched in.

session_pids=()
session_groups=()
xvfb_pid=

fail() {
    echo "FAILED: $*"
    exit 1
}

skip_unless_tools() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" > /dev/null; then
            echo "SKIPPED: $tool is not installed (scripts/install-deps installs it)"
            exit 77
        fi
    done
}

session_cleanup() {
    local status=$? pid
    # A picture of the screen as it was when the test failed, beside the test's other pictures.
    if [ "$status" -ne 0 ] && [ -n "${failure_shot:-}" ] && [ -n "$xvfb_pid" ]; then
        import -window root "$failure_shot" 2> /dev/null && echo "screen at the failure: $failure_shot"
    fi
    for pid in "${session_groups[@]}"; do
        kill -TERM -- "-$pid" 2> /dev/null || true
    done
    for pid in "${session_pids[@]}"; do
        kill -TERM "$pid" 2> /dev/null || true
    done
    if [ -n "$xvfb_pid" ]; then
        kill -TERM "$xvfb_pid" 2> /dev/null || true
        wait "$xvfb_pid" 2> /dev/null || true
    fi
    [ -n "${work:-}" ] && rm -rf "$work"
}

# waitfor SECONDS WHAT COMMAND...: runs COMMAND until it succeeds; fails the test after SECONDS.
waitfor() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || fail "timed out after ${seconds}s waiting for $what"
        sleep 0.2
    done
}

# session_start BUILD_DIR: the scratch folders, the installed prefix and the X server.
session_start() {
    local build=$1
    work=$(mktemp -d)
    trap session_cleanup EXIT
    trap 'exit 1' INT TERM HUP

    prefix=$work/prefix
    cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 ||
        { cat "$work/install.log"; fail "cmake --install"; }
    update-mime-database "$prefix/share/mime" > /dev/null 2>&1 || fail "update-mime-database"
    update-desktop-database "$prefix/share/applications"

    home=$work/home
    mkdir -p "$home" "$work/config" "$work/cache" "$work/data" "$work/tmp" "$work/runtime" "$work/shots"
    chmod 700 "$work/runtime"

    # Xvfb picks a free display itself and writes its number once it accepts connections.
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3> "$work/display" > "$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    waitfor 60 "the X server" test -s "$work/display"
    export DISPLAY=":$(head -n1 "$work/display")"

    app_env=(
        "HOME=$home"
        "XDG_CONFIG_HOME=$work/config"
        "XDG_CACHE_HOME=$work/cache"
        "XDG_DATA_HOME=$work/data"
        "XDG_RUNTIME_DIR=$work/runtime"
        "TMPDIR=$work/tmp"
        "XDG_DATA_DIRS=$prefix/share:/usr/share"
        # The desktop entry says `quorvane`: the installed one must be the one found.
        "PATH=$prefix/bin:$PATH"
        "DISPLAY=$DISPLAY"
        "QT_QPA_PLATFORM=xcb"
        # No session bus here: a refused address, so that nothing is started to provide one.
        "DBUS_SESSION_BUS_ADDRESS=unix:path=$work/runtime/no-bus"
        "QT_SCALE_FACTOR=1"
    )
}

# A test archive: `make_archive FILE PASSWORD PICTURE...` (kvq from the prefix).
make_archive() {
    local archive=$1 password=$2
    shift 2
    printf '%s\n' "$password" > "$work/password"
    "$prefix/bin/kvq" create "$archive" --password-file "$work/password" > /dev/null || fail "kvq create"
    "$prefix/bin/kvq" add "$archive" "$@" --password-file "$work/password" > /dev/null || fail "kvq add"
    rm -f "$work/password"
}

# visible_window NAME [PID]: the id of a mapped window titled exactly NAME (of process PID), waited for.
visible_window() {
    local name=$1 pid=${2:-}
    local args=(search --sync --onlyvisible --name "^${name}\$")
    [ -n "$pid" ] && args=(search --sync --all --onlyvisible --pid "$pid" --name "^${name}\$")
    timeout 120 xdotool "${args[@]}" | head -n1
}

no_visible_window() {
    ! xdotool search --onlyvisible --name "^$1\$" > /dev/null 2>&1
}

# type_password WINDOW PASSWORD: focuses the dialog and types the password and Return.
type_password() {
    local window=$1 password=$2
    xdotool windowfocus --sync "$window" || fail "could not focus window $window"
    xdotool type --delay 30 "$password"
    xdotool key Return
}

# holds_open PID FILE: the process has FILE open.
holds_open() {
    local fd
    for fd in /proc/"$1"/fd/*; do
        [ "$(readlink "$fd" 2> /dev/null)" = "$2" ] && return 0
    done
    return 1
}

# shot FILE: a picture of the whole screen.
shot() {
    import -window root "$1" || fail "screenshot $1"
}
