# Shared by the scripts: paths, the Wine environment, package installation, the
# virtual display and the Wine prefix. Sourced, never run on its own.

QUARROW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QUARROW_BUILD=${QUARROW_BUILD:-$QUARROW_ROOT/build}
QUARROW_PACKAGES="g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 cmake make
    wine wine64 fonts-wine xvfb xauth x11-utils imagemagick googletest fp-utils xdotool
    libz-mingw-w64-dev dpkg-dev"
# The libraries built from Debian's source packages, unpacked in a cache that outlives the
# build folder, and the CMake option that names each one's sources.
QUARROW_CACHE=${QUARROW_CACHE:-$QUARROW_ROOT/.cache}
QUARROW_SOURCE_PACKAGES="pcre2:PCRE2_SOURCE_DIR expat:EXPAT_SOURCE_DIR libzip:LIBZIP_SOURCE_DIR"
QUARROW_CMAKE_SOURCES=()

quarrow_log() { printf '%s\n' "$*" >&2; }

# The environment every Wine process of the project runs in.
quarrow_wine_env() {
    export WINEPREFIX=$QUARROW_BUILD/wineprefix WINEARCH=win64 WINEDEBUG=-all TZ=UTC
    export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d;winemenubuilder.exe=d"
    # The shell's Delete moves files to the XDG trash: keep it inside the build tree.
    export HOME=$QUARROW_BUILD/home XDG_DATA_HOME=$QUARROW_BUILD/home/.local/share
    mkdir -p "$XDG_DATA_HOME"
}

# Runs a program under Wine with the Linux address space laid out the same way every time.
# Debian's Wine has no preloader to keep the addresses Windows programs need free, and the
# randomised start of the loader's heap (anywhere in the gigabyte above 0x7d000000) covers
# the shared user data page at 0x7ffe0000 in about one start in 3,000: Wine then ends the
# process with code 1 before the program runs, and says nothing.
quarrow_wine() {
    setarch "$(uname -m)" -R wine "$@"
}

quarrow_install_packages() {
    local missing=() p
    for p in $QUARROW_PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    quarrow_log "Installing: ${missing[*]}"
    local sudo=
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq >/dev/null
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

quarrow_as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Writes a deb-src entry for each entry of the machine's apt sources that serves its Debian
# release (deb822 .sources files and one-line .list files alike), with the same addresses,
# suites, components and keys.
quarrow_source_entries() {
    local codename
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$codename" ] || return 1
    local files=()
    [ -f /etc/apt/sources.list ] && files+=(/etc/apt/sources.list)
    files+=(/etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources)
    local file
    for file in "${files[@]}"; do
        [ -f "$file" ] || continue
        [ "$file" = "$QUARROW_SOURCE_LIST" ] && continue
        case $file in
        *.sources) awk -v release="$codename" -f "$QUARROW_ROOT/scripts/deb-src.awk" -v format=deb822 "$file" ;;
        *) awk -v release="$codename" -f "$QUARROW_ROOT/scripts/deb-src.awk" -v format=oneline "$file" ;;
        esac
    done
}

# Makes Debian's source archive known to apt once; a machine that knows it already is left
# alone.
QUARROW_SOURCE_LIST=/etc/apt/sources.list.d/quarrow-deb-src.sources
quarrow_enable_source_archive() {
    # grep -q would end the pipe early, and pipefail would count that as a failure.
    apt-cache showsrc --only-source "$1" 2>/dev/null | grep '^Package:' >/dev/null && return 0
    local entries
    entries=$(quarrow_source_entries)
    if [ -z "$entries" ]; then
        quarrow_log "No entry of this machine's apt sources serves its Debian release: cannot fetch source packages"
        return 1
    fi
    quarrow_log "Enabling Debian's source archive in $QUARROW_SOURCE_LIST"
    printf '%s\n' "$entries" | quarrow_as_root tee "$QUARROW_SOURCE_LIST" >/dev/null
    # Only the new entries are read again.
    quarrow_as_root apt-get update -qq -o Dir::Etc::sourcelist="$QUARROW_SOURCE_LIST" \
        -o Dir::Etc::sourceparts=- -o APT::Get::List-Cleanup=0 >/dev/null || return 1
}

# Prints the folder that holds Debian's source package NAME unpacked with Debian's patches
# applied. Fetched and unpacked the first time only.
quarrow_debian_source() {
    local name=$1 cache=$QUARROW_CACHE/debian-sources
    local stamp=$cache/$name.folder
    if [ -f "$stamp" ] && [ -d "$cache/$(cat "$stamp")" ]; then
        echo "$cache/$(cat "$stamp")"
        return 0
    fi
    quarrow_enable_source_archive "$name" || return 1
    local download=$cache/download/$name log=$cache/download/$name.log
    rm -rf "$download"
    mkdir -p "$download"
    # The newest version first; a mirror may list a version whose files it does not hold.
    local version fetched=0
    for version in $(apt-cache showsrc --only-source "$name" | sed -n 's/^Version: //p' | sort -V -r -u); do
        quarrow_log "Fetching the source package $name $version"
        rm -f "$download"/*
        if (cd "$download" && apt-get source --download-only "$name=$version") >"$log" 2>&1; then
            fetched=1
            break
        fi
    done
    if [ $fetched -eq 0 ]; then
        cat "$log" >&2
        return 1
    fi
    local dsc
    dsc=$(ls "$download"/*.dsc)
    local folder
    folder=$(basename "$dsc" .dsc)
    # Unpacked beside the download, where dpkg-source finds the upstream archive, and moved
    # into place whole.
    rm -rf "${cache:?}/$folder" "$download/unpacked"
    if ! dpkg-source -x "$dsc" "$download/unpacked" >>"$log" 2>&1; then
        cat "$log" >&2
        return 1
    fi
    mv "$download/unpacked" "$cache/$folder"
    echo "$folder" >"$stamp"
    echo "$cache/$folder"
}

# The CMake options that name the unpacked sources, in QUARROW_CMAKE_SOURCES.
quarrow_ensure_sources() {
    QUARROW_CMAKE_SOURCES=()
    local entry folder
    for entry in $QUARROW_SOURCE_PACKAGES; do
        folder=$(quarrow_debian_source "${entry%%:*}") || return 1
        QUARROW_CMAKE_SOURCES+=("-D${entry#*:}:PATH=$folder")
    done
}

# Starts Xvfb on a display it picks itself when DISPLAY is not set. Sets QUARROW_XVFB_PID
# when it did.
quarrow_ensure_display() {
    if [ -n "${DISPLAY:-}" ]; then
        return 0
    fi
    local numberFile
    numberFile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numberFile" >/dev/null 2>&1 &
    QUARROW_XVFB_PID=$!
    local i n
    for i in $(seq 1 100); do
        n=$(head -n1 "$numberFile" 2>/dev/null || true)
        if [ -n "$n" ] && xdpyinfo -display ":$n" >/dev/null 2>&1; then
            rm -f "$numberFile"
            export DISPLAY=":$n"
            return 0
        fi
        kill -0 "$QUARROW_XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$numberFile"
    kill "$QUARROW_XVFB_PID" 2>/dev/null || true
    QUARROW_XVFB_PID=
    quarrow_log "Could not start a virtual display"
    return 1
}

quarrow_stop_display() {
    if [ -n "${QUARROW_XVFB_PID:-}" ]; then
        kill "$QUARROW_XVFB_PID" 2>/dev/null
        wait "$QUARROW_XVFB_PID" 2>/dev/null
        QUARROW_XVFB_PID=
    fi
}

# Creates the Wine prefix in the build tree once: no Mono or Gecko prompts, no crash
# debugger, Windows 7, and the registry settings the tests rely on.
quarrow_ensure_prefix() {
    quarrow_wine_env
    local marker=$WINEPREFIX/.quarrow-prefix-v2
    [ -f "$marker" ] && return 0
    quarrow_log "Creating the Wine prefix in $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    quarrow_wine wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
    quarrow_install_wine_fonts
    quarrow_wine regedit /S "$(winepath -w "$QUARROW_ROOT/scripts/prefix.reg")" >/dev/null 2>&1 </dev/null
    quarrow_wine winecfg /v win7 >/dev/null 2>&1 </dev/null
    wineserver -w
    touch "$marker"
}

# This Wine never looks into the fonts folder of its own data (fonts-wine): without
# Tahoma every face falls back to DejaVu Sans, and without Marlett the caption buttons
# show the letters "0 1 r". It always loads the prefix's own Fonts folder.
quarrow_install_wine_fonts() {
    local dir
    for dir in /usr/share/wine/fonts /usr/local/share/wine/fonts /opt/wine-stable/share/wine/fonts; do
        if [ -f "$dir/marlett.ttf" ]; then
            cp "$dir"/*.ttf "$dir"/*.fon "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
            return 0
        fi
    done
    quarrow_log "Wine's own fonts were not found: install fonts-wine"
}

quarrow_setup() {
    quarrow_install_packages
    quarrow_ensure_sources
    quarrow_ensure_display
    quarrow_ensure_prefix
}

# Configures the build folder once, then builds the given targets (everything when none is
# given). What is compiled is reported every tenth of the way, so that a first build, which
# takes minutes, says what it is doing.
quarrow_configure_and_build() {
    local type=${1:-Release}
    shift || true
    # Configured again when the library sources it names are not those of the cache.
    local configure=0 option
    [ -f "$QUARROW_BUILD/CMakeCache.txt" ] || configure=1
    for option in "${QUARROW_CMAKE_SOURCES[@]}"; do
        option=${option#-D}
        # PCRE2's own project() retypes its entry.
        [ "$(sed -n "s/^${option%%:*}:[A-Z]*=//p" "$QUARROW_BUILD/CMakeCache.txt" 2>/dev/null)" = "${option#*=}" ] ||
            configure=1
    done
    if [ $configure -eq 1 ]; then
        quarrow_log "Configuring the build folder $QUARROW_BUILD ($type)"
        cmake -S "$QUARROW_ROOT" -B "$QUARROW_BUILD" -DCMAKE_BUILD_TYPE="$type" \
            -DCMAKE_TOOLCHAIN_FILE="$QUARROW_ROOT/cmake/mingw-w64-x86_64.cmake" \
            "${QUARROW_CMAKE_SOURCES[@]}" >/dev/null || return 1
    fi
    local log=$QUARROW_BUILD/build.log targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    quarrow_log "Building ${*:-everything} in $QUARROW_BUILD (log: $log)"
    if ! (set -o pipefail
          cmake --build "$QUARROW_BUILD" --parallel "$(nproc)" "${targets[@]}" 2>&1 | tee "$log" |
              quarrow_report_build_progress); then
        grep -v -E '^\[ *[0-9]+%\]' "$log" | tail -60 >&2
        quarrow_log "Build failed (full log: $log)"
        return 1
    fi
    grep -i -E 'warning' "$log" >&2 || true
}

# Reads the build's output and prints "  40% ..." each time another tenth has been compiled.
quarrow_report_build_progress() {
    awk -v next_step=10 '
        /^\[ *[0-9]+%\] (Building|Linking|Compiling)/ {
            percent = substr($0, 2, index($0, "%") - 2) + 0
            if (percent >= next_step) {
                sub(/^\[ *[0-9]+%\] /, "")
                printf "  %3d%% %s\n", percent, $0 > "/dev/stderr"
                next_step = percent - percent % 10 + 10
            }
        }'
}

# Wine's server and services, started once so that every program starts fast, and the
# desktop held open by a program of our own (see scripts/desktop-keeper.cpp).
quarrow_start_wine() {
    wineserver -k 2>/dev/null || true
    wineserver -p
    quarrow_wine wineboot </dev/null >/dev/null 2>&1
    local keeper=$QUARROW_BUILD/desktop-keeper.exe source=$QUARROW_ROOT/scripts/desktop-keeper.cpp
    if [ ! -f "$keeper" ] || [ "$source" -nt "$keeper" ]; then
        x86_64-w64-mingw32-g++-posix -O2 -static -municode -mwindows -o "$keeper" "$source" -lshell32 || return 1
    fi
    # The tests must not start before the keeper has opened the desktop.
    local ready=$QUARROW_BUILD/desktop-keeper.ready i
    rm -f "$ready"
    quarrow_wine "$keeper" "Z:${ready//\//\\}" </dev/null >/dev/null 2>&1 &
    for i in $(seq 1 150); do
        [ -f "$ready" ] && return 0
        sleep 0.1
    done
    quarrow_log "The desktop keeper did not start; the first test to open the desktop may be charged its life"
}

quarrow_stop_wine() {
    wineserver -k 2>/dev/null || true
}
