# Helpers the project's scripts share: source it, do not run it.

# Runs a command as root: directly when already root, otherwise through sudo.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

# Waits until a command succeeds, trying every tenth of a second for at most
# $1 seconds; fails when the time is up.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# Starts an X server of its own on a free display, with the screen $1
# (default 1024x768x24) at $2 dots per inch (default 96), waits until it takes
# clients and exports DISPLAY. Its process id is in XVFB_PID.
start_xvfb() {
    local ready
    ready=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${1:-1024x768x24}" -dpi "${2:-96}" -nolisten tcp -noreset \
        3>"$ready" >/dev/null 2>&1 &
    XVFB_PID=$!
    wait_until 20 test -s "$ready" || { echo "Xvfb did not start" >&2; return 1; }
    DISPLAY=":$(head -n 1 "$ready")"
    export DISPLAY
    rm -f "$ready"
}

# The Qt 6 for Windows that scripts/build-qt-windows builds from Debian's
# source, of the same version as Debian's own Qt, whose host tools it uses;
# and where it keeps it. It is complete when it holds the file .complete.
QT_WINDOWS_VERSION=6.4.2
QT_WINDOWS_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/average-rainfall/qt-$QT_WINDOWS_VERSION-mingw64

# Sets up a Wine prefix of its own in a new temporary folder and exports
# WINEPREFIX, with Wine's messages and its .NET and HTML installers off;
# stop_wine ends its programs and removes it.
start_wine() {
    WINEPREFIX=$(mktemp -d)
    export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    wineboot --init >/dev/null 2>&1
}

stop_wine() {
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
