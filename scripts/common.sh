# Shared by the README's two commands: install what a fresh Debian 12 machine
# lacks, then configure and build everything into build/.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}

# What building and running the program needs; fonts-roboto-unhinted brings
# Roboto Black, which stands in for Arial Black.
BUILD_PACKAGES=(g++ cmake ninja-build libgtest-dev libgmock-dev libbenchmark-dev libieee1284-3-dev
                qt6-base-dev fonts-roboto-unhinted)
# What the tests need beyond that: a real X server to drive the program from
# outside, and an emulated PC with real parallel ports for the hardware backend.
TEST_PACKAGES=(xvfb xauth xdotool python3 python3-xlib qemu-system-x86 busybox-static cpio)

install_missing() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}" >&2
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >&2
}

build() {
    cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DKOVIR_WERROR="${KOVIR_WERROR:-OFF}" >&2
    cmake --build "$BUILD_DIR" --parallel >&2
}
