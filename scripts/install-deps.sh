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
    # The shipped 32-bit setup.exe runs under the 32-bit Wine.
    wine32:i386
)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
        missing+=("$package")
done
. /etc/os-release
# Where the kernel runs no 32-bit programs, qemu-i386 runs the 32-bit Wine
# (scripts/with-win32.sh). The release's own qemu-user, 7.2, hangs and
# crashes there; version 10 of its backports suite does not, and is the one
# package taken from that suite. Without its recommended qemu-user-binfmt,
# which would register handlers for the whole machine.
backports=${VERSION_CODENAME}-backports
qemu_version=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null || true)
dpkg --compare-versions "${qemu_version:-0}" ge 1:10 || missing+=("qemu-user/$backports")
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "Installing: ${missing[*]}"
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386

# The address and signing key of the Debian archive that apt already uses
# for the release's own suite, as "URI KEY", from a one-line source or a
# deb822 one.
debian_source() {
    local file
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$file" ] || continue
        sed -nE "s|^deb[[:space:]]+(\[([^]]*)\][[:space:]]+)?([^[:space:]]+)[[:space:]]+$VERSION_CODENAME[[:space:]].*|\3 \2|p" "$file" |
            sed -E 's| .*signed-by=([^[:space:]]+).*| \1|; s| [^/].*||'
    done
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        awk -v suite="$VERSION_CODENAME" '
            function stanza() {
                if (types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " suite " ")) print uri " " key
                types = suites = uri = key = ""
            }
            /^[ \t]*$/ { stanza(); next }
            /^#/ { next }
            { field = tolower($1); value = $0; sub(/^[^:]*:[ \t]*/, "", value) }
            field == "types:" { types = value }
            field == "suites:" { suites = value }
            field == "uris:" { uri = $2 }
            field == "signed-by:" { key = $2 }
            END { stanza() }' "$file"
    done
}

# The backports suite joins apt's sources where it is missing, at the
# address of the machine's own Debian source: no host is named here. apt
# takes nothing from it unless asked, as its release file says.
add_backports() {
    local uri key
    grep -rqsE "(^|[[:space:]])$backports([[:space:]]|$)" /etc/apt/sources.list /etc/apt/sources.list.d/ &&
        return 0
    read -r uri key < <(debian_source | head -n1) || true
    [ -n "${uri:-}" ] || { echo "install-deps: no Debian source for $VERSION_CODENAME in apt's sources" >&2; exit 1; }
    echo "install-deps: adding $backports from $uri to apt's sources"
    {
        printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\n' "$uri" "$backports"
        [ -z "${key:-}" ] || printf 'Signed-By: %s\n' "$key"
    } | $sudo tee "/etc/apt/sources.list.d/$backports.sources" >/dev/null
}
[[ " ${missing[*]} " != *" qemu-user/$backports "* ]] || add_backports
# A mirror in mid-sync fails an index now and then; apt keeps the others,
# which hold everything needed. Only a failed install is fatal. Where the
# security index of one architecture is the one missing, its other half
# would pull a library to a version the missing one lacks, and a 32-bit
# library must match its 64-bit twin: the release's own versions are
# preferred then, which both architectures' indexes hold.
prefer=()
if ! $sudo apt-get update -qq; then
    echo "install-deps: apt-get update could not fetch every index;" \
        "installing from those it has, preferring ${VERSION_CODENAME}'s own versions"
    prefer=(-o "APT::Default-Release=${VERSION_CODENAME}")
fi
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${prefer[@]}" "${missing[@]}"
