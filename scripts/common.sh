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

# The program's windows on that X server, driven with xdotool and taken with
# ImageMagick. window_named gives the first shown window whose title matches
# the pattern $1; window_shown says whether there is one.
window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
window_shown() { [ -n "$(window_named "$1")" ]; }

# Saves the window $1 as the picture $2 once two pictures of it in a row are
# the same: drawn.
capture() {
    local previous
    previous=$(mktemp --suffix=.png)
    import -window "$1" "$previous"
    until import -window "$1" "$2" && cmp -s "$previous" "$2"; do
        cp "$2" "$previous"
        sleep 0.2
    done
    rm -f "$previous"
}

# Whether a new picture of the window $1, saved as $3, differs from the
# picture $2.
picture_changed() { import -window "$1" "$3" && ! cmp -s "$2" "$3"; }

# Types the pairs (2, 10) and (4, 30) into the main window $1, each entry
# ended by Enter, presses Alt+C for Compute and saves the window with the
# results as the picture $2. Fails when Compute changes nothing.
compute_two_pairs() {
    local main=$1 picture=$2 entry before status=0
    xdotool windowfocus --sync "$main"
    for entry in 2 10 4 30; do
        xdotool type --delay 60 "$entry"
        xdotool key Return
    done
    before=$(mktemp --suffix=.png)
    capture "$main" "$before"
    xdotool key alt+c
    if wait_until 10 picture_changed "$main" "$before" "$picture"; then
        capture "$main" "$picture"
    else
        status=1
    fi
    rm -f "$before"
    return $status
}

# The Qt 6 for Windows that scripts/build-qt-windows builds from Debian's
# source, of the same version as Debian's own Qt, whose host tools it uses;
# and where it keeps it. It is complete when it holds the file .complete.
QT_WINDOWS_VERSION=6.4.2
QT_WINDOWS_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/average-rainfall/qt-$QT_WINDOWS_VERSION-mingw64

# Where scripts/build-geos-windows keeps the static GEOS for Windows it
# builds; complete when it holds the file .complete.
GEOS_WINDOWS_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/average-rainfall/geos-3.11.1-mingw64

# Where scripts/build-gis-windows keeps the static SQLite 3.40.1, PROJ 9.1.1
# (with share/proj/proj.db) and GDAL 3.6.2 for Windows it builds, all in one
# prefix; complete when it holds the file .complete.
GIS_WINDOWS_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/average-rainfall/gis-mingw64

# The CMake options of a Windows build as far as the Thiessen polygons go, in
# the array WINDOWS_THIESSEN_OPTIONS: with GEOS (and GoogleTest for the tests)
# and GDAL, PROJ and SQLite from their caches where both are complete;
# otherwise without them, and one line that says so. Debian has no expat for
# MinGW-w64, so that GDAL reads no KML or GML.
windows_thiessen_options() {
    if [ -f "$GEOS_WINDOWS_CACHE/.complete" ] && [ -f "$GIS_WINDOWS_CACHE/.complete" ]; then
        WINDOWS_THIESSEN_OPTIONS=(-DRAINFALL_WITH_THIESSEN=ON
            "-DCMAKE_PREFIX_PATH=$GEOS_WINDOWS_CACHE;$GIS_WINDOWS_CACHE"
            -DSQLite3_INCLUDE_DIR="$GIS_WINDOWS_CACHE/include"
            -DSQLite3_LIBRARY="$GIS_WINDOWS_CACHE/lib/libsqlite3.a"
            -DRAINFALL_GDAL_WITHOUT_XML_FORMATS=ON)
    else
        WINDOWS_THIESSEN_OPTIONS=(-DRAINFALL_WITH_THIESSEN=OFF)
        echo "Skipping thiessen.exe and its tests: no GEOS and GIS libraries for Windows in" \
            "$GEOS_WINDOWS_CACHE and $GIS_WINDOWS_CACHE; scripts/build-geos-windows and" \
            "scripts/build-gis-windows make them in about 6 and 25 minutes."
    fi
}

# Downloads the Debian source package $1 into the folder $2 and unpacks it
# there, with Debian's patches applied (dpkg-source, from dpkg-dev). It comes
# from the Debian mirror this machine already uses, through a private apt
# configuration in $2/apt: the system's sources and lists stay untouched.
fetch_debian_source() {
    local package=$1 dir=$2 mirror suite
    read -r mirror suite < <(debian_mirror_and_suite | head -n 1) ||
        { echo "No Debian mirror found in /etc/apt" >&2; return 1; }
    local apt_dir=$dir/apt
    mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $suite main" \
        >"$apt_dir/sources.list"
    local apt_options=(-o Dir::Etc::SourceList="$apt_dir/sources.list"
        -o Dir::Etc::SourceParts="$apt_dir/sources.list.d"
        -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache")
    # The private folders belong to root alone: download as root, not as _apt.
    [ "$(id -u)" -ne 0 ] || apt_options+=(-o APT::Sandbox::User=root)
    echo "Fetching the $package source from $mirror $suite"
    apt-get "${apt_options[@]}" -q update
    (cd "$dir" && apt-get "${apt_options[@]}" -q source "$package")
}

# The first Debian mirror and release (not -updates or -security) in the
# system's apt sources, in either format: "URI SUITE".
debian_mirror_and_suite() {
    local file
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        awk 'function found() { if (uri ~ /debian\/?$/ && suite !~ /-/) print uri, suite; uri = "" }
             /^URIs:/ { uri = $2 } /^Suites:/ { suite = $2 } /^$/ { found() } END { found() }' "$file"
    done
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$file" ] || continue
        awk '$1 == "deb" { sub(/\[[^]]*\] */, ""); if ($2 ~ /debian\/?$/ && $3 !~ /-/) print $2, $3 }' "$file"
    done
}

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
