#!/usr/bin/env bash
# Signs the shipped setup.exe with scripts/sign.sh and a throwaway
# certificate, and checks what a publisher relies on: the signature
# verifies, signing again at the same time gives the same bytes, removing
# the signature gives back the unsigned program, the PE checksum is right,
# the signed program passes the checks of the program as built, and the
# uninstaller, a copy of the setup, verifies as well.
#   signing-test.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
unsigned=$source_dir/build/win32/setup.exe
work=$(mktemp -d "${TMPDIR:-/tmp}/velquor-signing.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAILED: $*"; exit 1; }

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
    -subj "/CN=Velquor Test Publisher" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
export SOURCE_DATE_EPOCH=$(date +%s)
"$source_dir/scripts/sign.sh" cert.pem key.pem "$unsigned" signed.exe
"$source_dir/scripts/sign.sh" cert.pem key.pem "$unsigned" again.exe
cmp signed.exe again.exe || fail "two signatures at the same time differ"
cmp -s signed.exe "$unsigned" && fail "nothing was signed"

osslsigncode verify -CAfile cert.pem -in signed.exe | grep -q "Message digest algorithm  : SHA256" ||
    fail "no SHA-256 signature"
osslsigncode verify -CAfile cert.pem -in signed.exe >/dev/null || fail "the signature does not verify"
osslsigncode remove-signature -in signed.exe -out removed.exe >/dev/null
cmp removed.exe "$unsigned" || fail "removing the signature does not give back the unsigned program"

/usr/bin/python3 - signed.exe <<'PY' || fail "wrong PE checksum"
import sys, pefile
pe = pefile.PE(sys.argv[1])
assert pe.OPTIONAL_HEADER.CheckSum == pe.generate_checksum(), hex(pe.OPTIONAL_HEADER.CheckSum)
PY
/usr/bin/python3 "$source_dir/tests/pe/check_setup_exe.py" signed.exe 2>&1 | tail -n 1 | grep -qx OK ||
    fail "the signed program fails the checks of the program as built"

# setup.exe writes its uninstaller as a copy of itself, byte for byte
# (an end-to-end test compares them).
cp signed.exe uninstall.exe
osslsigncode verify -CAfile cert.pem -in uninstall.exe >/dev/null || fail "the uninstaller does not verify"
echo "signed $(stat -c %s signed.exe) bytes; verified, reproducible, removable"
