#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing need, when any
# is missing. Runs as root, or through sudo.
set -euo pipefail
packages=(
    cmake make python3 python3-pefile
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
    googletest wine64 fonts-wine xvfb imagemagick
    # The benchmark's peer installer is built with makensis.
    nsis
    # A publisher signs a release (scripts/sign.sh); its test makes a
    # throwaway certificate.
    osslsigncode openssl
    # Stands in for "Comic Sans MS", the dialogs' font (font-replacements.reg).
    fonts-comic-neue
    # The shipped 32-bit setup.exe runs under the 32-bit Wine, through qemu
    # where the kernel runs no 32-bit programs (its handler is registered only
    # while a test run needs it, so no qemu-user-binfmt).
    qemu-user wine32:i386
)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "Installing: ${missing[*]}"
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
# A mirror in mid-sync fails an index now and then; apt keeps the others,
# which hold everything needed. Only a failed install is fatal. Where the
# security index of one architecture is the one missing, its other half
# would pull a library to a version the missing one lacks, and a 32-bit
# library must match its 64-bit twin: the release's own versions are
# preferred then, which both architectures' indexes hold.
prefer=()
if ! $sudo apt-get update -qq; then
    . /etc/os-release
    echo "install-deps: apt-get update could not fetch every index;" \
        "installing from those it has, preferring ${VERSION_CODENAME}'s own versions"
    prefer=(-o "APT::Default-Release=${VERSION_CODENAME}")
fi
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${prefer[@]}" "${missing[@]}"
