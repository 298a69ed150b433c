#!/usr/bin/env bash
# The release and its signing, end to end, into build/release-test/dist:
# - scripts/release makes the zip: its entries in their order, README.txt in CR LF naming the
#   toolchain, SHA256SUMS right for every file, the executables those of the builds, and the same
#   bytes when made again;
# - signed with a throwaway self-signed code-signing certificate made here, the sums are of the
#   signed files, osslsigncode verifies both executables against that certificate, removing the
#   signature gives back the unsigned bytes exactly, and the executable this host runs opens its
#   window under Wine;
# - a wrong password, a missing file and a certificate that cannot sign code each fail with one
#   line that names the problem and leave dist/ as it was.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"

ensure_packages "${RELEASE_PACKAGES[@]}"
WORK="$BUILD/release-test"
DIST="$WORK/dist"
ZIP="$DIST/Selvaro-1.0.zip"
rm -rf "$WORK"
mkdir -p "$WORK"
failures=0
fail() {
    log "FAILED: $*"
    failures=$((failures + 1))
}

# unpack DIRECTORY: the zip's files in DIRECTORY, after checking its entries and sums.
unpack() {
    rm -rf "$1"
    /usr/bin/python3 - "$ZIP" "$1" <<'EOF' || fail "the zip's entries or sums are wrong (above)"
import hashlib, sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
names = archive.namelist()
expected = ["Selvaro.exe", "x64/Selvaro.exe", "README.txt", "SHA256SUMS"]
assert names == expected, f"entries {names}, not {expected}"
data = {name: archive.read(name) for name in names}
sums = "".join(f"{hashlib.sha256(data[name]).hexdigest()}  {name}\n" for name in names[:3])
assert data["SHA256SUMS"].decode() == sums, "SHA256SUMS is not the files' SHA-256"
readme = data["README.txt"]
assert readme.count(b"\n") == readme.count(b"\r\n") > 100, "README.txt's lines do not end in CR LF"
assert b"mingw-w64 GCC " in readme, "README.txt does not name the toolchain"
for name, machine in (("Selvaro.exe", 0x14C), ("x64/Selvaro.exe", 0x8664)):
    pe = int.from_bytes(data[name][0x3C:0x40], "little")
    assert data[name][pe:pe + 4] == b"PE\0\0", f"{name} is not a PE file"
    assert int.from_bytes(data[name][pe + 4:pe + 6], "little") == machine, f"{name}'s machine"
archive.extractall(sys.argv[2])
EOF
}

# dist_state: every file in dist/, hidden ones too, with its SHA-256.
dist_state() { (cd "$DIST" && find . -type f -print0 | sort -z | xargs -0 -r sha256sum); }

# expect_bad_input WHAT EXPECTED-LINE COMMAND...: fails unless the command exits non-zero, says
# only EXPECTED-LINE and leaves dist/ as it was.
expect_bad_input() {
    local what=$1 expected=$2 before output status=0
    shift 2
    before=$(dist_state)
    output=$("$@" 2>&1) || status=$?
    [ "$status" -ne 0 ] || fail "$what: scripts/release exited 0"
    [ "$output" = "$expected" ] || fail "$what: said \"$output\", not \"$expected\""
    [ "$(dist_state)" = "$before" ] || fail "$what: dist/ changed"
    log "$what: \"$output\", exit code $status, dist/ as it was"
}

log "the unsigned release"
"$ROOT/scripts/release" --dist "$DIST"
unsigned_sum=$(sha256sum "$ZIP" | cut -d' ' -f1)
unpack "$WORK/unsigned"
for pair in windows:Selvaro.exe windows64:x64/Selvaro.exe; do
    cmp "$WORK/unsigned/${pair#*:}" "$BUILD/release/${pair%%:*}/bin/Selvaro.exe" ||
        fail "the zip's ${pair#*:} is not the build's"
done
"$ROOT/scripts/release" --dist "$DIST" >/dev/null
[ "$(sha256sum "$ZIP" | cut -d' ' -f1)" = "$unsigned_sum" ] || fail "a second zip differs"
log "the unsigned zip: $unsigned_sum"

log "a throwaway code-signing certificate"
certificate() {  # certificate NAME EXTENDED-KEY-USAGE: NAME.pem and NAME.pfx, password in $password
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Selvaro test $1" \
        -keyout "$WORK/$1.key" -out "$WORK/$1.pem" -addext "extendedKeyUsage=$2" \
        -addext "keyUsage=digitalSignature" 2>/dev/null
    openssl pkcs12 -export -inkey "$WORK/$1.key" -in "$WORK/$1.pem" -out "$WORK/$1.pfx" \
        -passout env:password
}
password="test-$RANDOM$RANDOM"
export password
certificate signer codeSigning
certificate server serverAuth

log "the signed release"
SELVARO_SIGN_PASSWORD=$password "$ROOT/scripts/release" --sign "$WORK/signer.pfx" --dist "$DIST"
unpack "$WORK/signed"
for exe in Selvaro.exe x64/Selvaro.exe; do
    osslsigncode verify -CAfile "$WORK/signer.pem" -in "$WORK/signed/$exe" >"$WORK/verify.log" 2>&1 ||
        fail "osslsigncode verify does not accept the signed $exe: $(tail -n 3 "$WORK/verify.log")"
    rm -f "$WORK/stripped.exe"  # osslsigncode overwrites no file
    osslsigncode remove-signature -in "$WORK/signed/$exe" -out "$WORK/stripped.exe" >/dev/null
    cmp "$WORK/stripped.exe" "$WORK/unsigned/$exe" ||
        fail "the signed $exe without its signature is not the unsigned one"
done

choose_runnable_build
runnable=Selvaro.exe
[ "$RUN_PRESET" = windows ] || runnable=x64/Selvaro.exe
log "the signed $runnable under Wine"
trap 'wineserver -k 2>/dev/null || true; stop_virtual_display' EXIT
start_virtual_display
ensure_wine_prefix
while_selvaro_shows "$WORK/signed/$runnable" true ||
    fail "the signed $runnable did not open its window, or did not end with 0 when closed"

log "bad input"
expect_bad_input "a wrong password" \
    "scripts/release: $WORK/signer.pfx: wrong password (SELVARO_SIGN_PASSWORD)" \
    env SELVARO_SIGN_PASSWORD="not-$password" "$ROOT/scripts/release" --sign "$WORK/signer.pfx" \
    --dist "$DIST"
expect_bad_input "a missing file" "scripts/release: $WORK/none.pfx: no such file" \
    env SELVARO_SIGN_PASSWORD="$password" "$ROOT/scripts/release" --sign "$WORK/none.pfx" \
    --dist "$DIST"
expect_bad_input "a certificate that cannot sign code" \
    "scripts/release: $WORK/server.pfx: its certificate cannot sign code (no Code Signing in its Extended Key Usage)" \
    env SELVARO_SIGN_PASSWORD="$password" "$ROOT/scripts/release" --sign "$WORK/server.pfx" \
    --dist "$DIST"

if [ "$failures" -gt 0 ]; then
    log "FAILED: $failures checks of the release"
    exit 1
fi
log "the release passed: unsigned zip $unsigned_sum"
