# Sourced by the scripts: installs the Debian/Ubuntu packages that are missing.
# usage: ensure_packages pkg...

missing_packages() {
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || echo "$pkg"
    done
}

ensure_packages() {
    local missing
    if ! command -v dpkg-query >/dev/null 2>&1; then
        echo "This script sets up Debian or Ubuntu machines (dpkg/apt not found)." >&2
        echo "Install by hand: a C++17 compiler, CMake 3.16+, Qt 6 or Qt 5.12+ (Widgets, SerialPort, Test), then build with CMake." >&2
        return 1
    fi
    missing=$(missing_packages "$@")
    [ -z "$missing" ] && return 0
    if ! command -v apt-get >/dev/null 2>&1; then
        echo "Missing packages: $missing, and apt-get is not available to install them." >&2
        return 1
    fi
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
            sudo="sudo"
        else
            echo "Missing packages:" $missing >&2
            echo "Installing them needs root. Run: sudo apt-get install" $missing >&2
            return 1
        fi
    fi
    echo "Installing:" $missing
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq || { echo "apt-get update failed" >&2; return 1; }
    # shellcheck disable=SC2086
    $sudo apt-get install -y -qq --no-install-recommends $missing || {
        echo "apt-get install failed for:" $missing >&2
        return 1
    }
}

BUILD_PACKAGES="cmake make g++ qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev python3"
QT6_PACKAGES="qt6-base-dev qt6-serialport-dev qt6-qpa-plugins"
# The distribution's default clang and its sanitizer runtimes, whatever version
# that is: the sanitizer and fuzzing stages build with it.
CLANG_PACKAGES="clang libclang-rt-dev"
# The MinGW-w64 cross compiler for the Windows syntax check.
WINDOWS_CHECK_PACKAGES="g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 python3"
# The help compiler, the validators and dpkg-shlibdeps for the package tests.
PACKAGING_PACKAGES="fp-utils desktop-file-utils appstream dpkg-dev"
