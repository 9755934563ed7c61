# Shared by the README's two commands: install what a fresh Debian 12 machine
# lacks, then configure and build a preset of CMakePresets.json into
# build/<preset>/.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build/linux}

# What building and running the program needs; fonts-roboto-unhinted brings
# Roboto Black, which stands in for Arial Black.
BUILD_PACKAGES=(g++ cmake ninja-build pkgconf libgtest-dev libgmock-dev libbenchmark-dev libieee1284-3-dev
                libftdi1-dev
                qt6-base-dev fonts-roboto-unhinted)
# What the tests need beyond that: a real X server to drive the program from
# outside (and xkb's keyboard layouts, to type as under each), the
# screen-reader interface (AT-SPI) to drive it as a screen reader does, an
# emulated PC with real parallel ports for the hardware backend, D-Bus for
# a stand-in of logind that puts the PC to sleep, and ImageMagick to hold
# the Windows window's pixels against its pictures.
TEST_PACKAGES=(xvfb xauth xdotool x11-xkb-utils xkb-data python3 python3-xlib qemu-system-x86
               busybox-static cpio dbus at-spi2-core python3-pyatspi python3-dbus python3-gi
               sigrok-cli imagemagick)
# The Windows builds: MinGW-w64 cross compilers (the -posix ones carry the C++
# thread library), GoogleTest's sources to build with them, Wine to run the
# 64-bit programs, and wixl and msitools to make and read the MSI packages.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64
                  binutils-mingw-w64-i686 googletest wine wine64 wixl msitools)
# The 32-bit Wine, for the x86 build's suites: on this machine where it
# executes 32-bit code, and in the emulated PC (Debian's own kernel) always.
WINE32_PACKAGES=(wine32:i386)

# Making and checking the Debian package: dpkg-shlibdeps computes its
# dependencies; the checks validate what it installs and install it for real.
PACKAGE_PACKAGES=(dpkg-dev file desktop-file-utils appstream lintian)

install_missing() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    # Packages of the i386 architecture need it added to dpkg first.
    if [[ " ${missing[*]}" == *":i386"* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo[@]}" dpkg --add-architecture i386
    fi
    echo "Installing: ${missing[*]}" >&2
    update_package_lists "${sudo[@]}"
    local install=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq
                   --no-install-recommends -o DPkg::Lock::Timeout=300)
    "${install[@]}" "${missing[@]}" >&2 && return 0
    # With one architecture's index missing, the other's newer security
    # versions can leave a package of both unresolvable; the release's own
    # suite has matching versions of each.
    local release
    release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$release" ] || return 1
    echo "The install could not be resolved; trying once more preferring $release." >&2
    "${install[@]}" -t "$release" "${missing[@]}" >&2 && return 0
    echo "These packages cannot be installed: ${missing[*]}" >&2
    return 1
}

# apt-get update, tried again a few times: a mirror in the middle of its
# sync serves an index that does not match its release file. An index that
# still fails is named, and the lists apt has are used for it.
update_package_lists() {
    local try log
    log=$(mktemp)
    for try in 1 2 3; do
        if "$@" apt-get update -qq -o Acquire::Retries=2 >"$log" 2>&1; then
            rm -f "$log"
            return 0
        fi
        if [ "$try" -lt 3 ]; then sleep "${APT_RETRY_PAUSE:-20}"; fi
    done
    echo "apt-get update failed $try times; going on with the package lists apt has. It said:" >&2
    grep -E '^(E|W):' "$log" | sed 's/^/  /' >&2 || cat "$log" >&2
    rm -f "$log"
}

# Configures and builds one preset (default: linux), all of it or only the
# targets named after it. KOVIR_WERROR=ON in the environment makes warnings
# errors.
build() {
    local preset=${1:-linux}
    shift || true
    local targets=()
    [ $# -eq 0 ] || targets=(--target "$@")
    (cd "$ROOT" && cmake --preset "$preset" >&2 &&
        cmake --build --preset "$preset" --parallel "${targets[@]}" >&2)
}
