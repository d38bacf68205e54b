#!/usr/bin/env bash
# Signs a release of setup.exe for its publisher: an Authenticode signature
# with SHA-256, made by Debian's osslsigncode. The unsigned
# build/win32/setup.exe stays the product, reproducible byte for byte; the
# signature is added to a copy.
#   scripts/sign.sh CERT.pem KEY.pem IN.exe OUT.exe
# CERT.pem: the publisher's code-signing certificate, followed by its
# intermediate certificates; KEY.pem: its private key, not encrypted.
# VELQUOR_TIMESTAMP_URL: an RFC 3161 time-stamping server; its time stamp
#   keeps the signature valid after the certificate expires. Not set: none.
# SOURCE_DATE_EPOCH: the signing time in seconds since 1970, so that signing
#   the same file again gives the same bytes (without a time stamp, whose
#   server answers anew every time). Not set: the current time.
set -euo pipefail
if [ $# -ne 4 ]; then
    echo "usage: $0 CERT.pem KEY.pem IN.exe OUT.exe" >&2
    exit 2
fi
command -v osslsigncode >/dev/null || "$(dirname "$0")/install-deps.sh"
args=(sign -certs "$1" -key "$2" -h sha256 -n "Velquor Setup" -in "$3" -out "$4")
[ -z "${VELQUOR_TIMESTAMP_URL:-}" ] || args+=(-ts "$VELQUOR_TIMESTAMP_URL")
[ -z "${SOURCE_DATE_EPOCH:-}" ] || args+=(-time "$SOURCE_DATE_EPOCH")
rm -f "$4"
osslsigncode "${args[@]}" >/dev/null
