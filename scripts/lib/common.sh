# Shared helpers of the set-up and test scripts. Source it; do not run it.

ORVC_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

say() { printf '%s\n' "$*" >&2; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

# as_root CMD...: runs the command as root, through sudo when needed.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# apt_update_once: one "apt-get update" per run of the scripts, however many
# scripts ask for it (the flag travels in the environment).
apt_update_once() {
    if [ "${ORVC_APT_UPDATED:-}" != 1 ]; then
        say "apt-get update"
        as_root apt-get update -qq >/dev/null || die "apt-get update failed"
        export ORVC_APT_UPDATED=1
    fi
}

# apt_install PKG...: installs the packages that are not installed yet.
apt_install() {
    local missing=() pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    apt_update_once
    say "installing: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null || die "could not install: ${missing[*]}"
}

# can_run_32bit: whether this kernel runs 32-bit x86 programs (some kernels
# have the emulation switched off, and 32-bit Wine cannot start there).
can_run_32bit() {
    [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# windows_build_dir ARCH: the build folder of an architecture.
windows_build_dir() {
    if [ "$1" = x86_64 ]; then echo "$ORVC_ROOT/build/win64"; else echo "$ORVC_ROOT/build/win32"; fi
}

# configure_windows_build ARCH TESTS(ON|OFF): builds the Windows dependencies
# when needed and configures the architecture's build folder against them;
# prints the folder. A build without tests is the one that ships: optimised. A folder configured against another dependency prefix
# keeps that prefix's paths in its cache, so it is started afresh.
configure_windows_build() {
    local arch=$1 tests=$2 prefix dir type=
    [ "$tests" = OFF ] && type=Release
    prefix=$("$ORVC_ROOT/scripts/setup-windows-deps" --arch "$arch" | tail -n 1) || return 1
    dir=$(windows_build_dir "$arch")
    if [ -f "$dir/CMakeCache.txt" ] && ! grep -qx "ORVC_WINDOWS_DEPS:[A-Z]*=$prefix" "$dir/CMakeCache.txt"; then
        rm -rf "$dir"
    fi
    cmake -S "$ORVC_ROOT" -B "$dir" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$ORVC_ROOT/cmake/toolchain-mingw-$arch.cmake" \
        -DORVC_WINDOWS_DEPS="$prefix" -DORVC_BUILD_TESTS="$tests" -DORVC_BUILD_BENCH=OFF \
        -DCMAKE_BUILD_TYPE="$type" >/dev/null || return 1
    echo "$dir"
}
