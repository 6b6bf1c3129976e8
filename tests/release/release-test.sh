#!/usr/bin/env bash
# The release: two builds in different folders at different times give the same zip, whose
# programs are the very ones the other tests run; a release signed with a throwaway
# certificate verifies and still runs under Wine; bad signing input and a dirty tree stop it
# with one line and no zip.
# Usage: release-test.sh BUILD WINE_RUN TEMPLATE LAUNCHER_E2E
#   BUILD: the win32 build folder whose programs the other tests run
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
build=$1 wine_run=$2 template=$3 launcher_e2e=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/sms-release-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
failed=0
check() {
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failed=1; fi
}
release() { "$repo/scripts/release" --allow-dirty "$@"; }
# Runs a command with its output kept, shown only when it fails.
quiet() { "$@" >"$work/quiet.log" 2>&1 || { cat "$work/quiet.log"; return 1; }; }

# Reproducible, and made of the programs the tests ran.
release --out "$work/one" >/dev/null
sleep 2
release --out "$work/two" >/dev/null
zip=SmsServer-1.0.0-win32.zip
check "two builds give one zip" cmp "$work/one/$zip" "$work/two/$zip"
check "the entries in their order" \
    test "$(unzip -Z1 "$work/one/$zip" | tr '\n' ' ')" = "SmsServer.exe SmsServerCheck.exe DEPLOYING.txt SHA256SUMS "
unzip -q "$work/one/$zip" -d "$work/unsigned"
for exe in SmsServer.exe SmsServerCheck.exe; do
    check "$exe is the tested one" cmp "$work/unsigned/$exe" "$build/$exe"
done
check "the checksums hold" bash -c "cd '$work/unsigned' && sha256sum --quiet -c SHA256SUMS"
check "the guide is a Windows text file with the version" \
    bash -c "head -1 '$work/unsigned/DEPLOYING.txt' | grep -q \$'^SMS Server 1.0.0: deployment guide\r\$' &&
             ! grep -qv \$'\r\$' '$work/unsigned/DEPLOYING.txt'"

# Signed with a throwaway certificate.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
    -subj "/CN=SMS Server test signing" -addext extendedKeyUsage=codeSigning 2>/dev/null
echo "a test password" >"$work/password"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/test.p12" \
    -passout "file:$work/password"
said=$(SMS_SIGN_PKCS12=$work/test.p12 SMS_SIGN_PASSWORD_FILE=$work/password release --out "$work/signed")
check "it says who signed" grep -q "signed by CN *= *SMS Server test signing" <<<"$said"
unzip -q "$work/signed/$zip" -d "$work/signed/files"
for exe in SmsServer.exe SmsServerCheck.exe; do
    check "$exe verifies" quiet osslsigncode verify -in "$work/signed/files/$exe" -CAfile "$work/cert.pem"
done
check "the checksums are the signed files'" bash -c "cd '$work/signed/files' && sha256sum --quiet -c SHA256SUMS"
if ! wine --version >/dev/null 2>&1; then
    echo "skipped: the signed SmsServer.exe under Wine (this machine cannot run 32-bit programs)"
else check "the signed SmsServer.exe shows its splash and starts Java under Wine" \
    quiet env SMS_LAUNCHER_UNDER_TEST="$work/signed/files/SmsServer.exe" "$wine_run" "$template" \
    "$launcher_e2e" --gtest_filter=Launcher.ShowsTheSplashThenStartsTheChosenRuntimeHidden
fi

# Bad input: one line, a non-zero status, nothing in the output folder.
refused() {
    local out=$work/refused errors=$work/errors
    rm -rf "$out"
    if "$@" --out "$out" >/dev/null 2>"$errors"; then return 1; fi
    [ "$(wc -l <"$errors")" = 1 ] && [ -z "$(ls -A "$out" 2>/dev/null)" ]
}
check "a missing certificate is refused" \
    refused env SMS_SIGN_PKCS12="$work/absent.p12" SMS_SIGN_PASSWORD_FILE="$work/password" "$repo/scripts/release" --allow-dirty
echo "not the password" >"$work/wrong"
check "a wrong password is refused" \
    refused env SMS_SIGN_PKCS12="$work/test.p12" SMS_SIGN_PASSWORD_FILE="$work/wrong" "$repo/scripts/release" --allow-dirty
check "an unreachable timestamp server is refused" \
    refused env SMS_SIGN_PKCS12="$work/test.p12" SMS_SIGN_PASSWORD_FILE="$work/password" \
    SMS_SIGN_TIMESTAMP_URL=http://127.0.0.1:9/ "$repo/scripts/release" --allow-dirty
git clone -q "$repo" "$work/clone"
echo "// a change" >>"$work/clone/launcher/version.h"
check "a dirty tree is refused" refused "$work/clone/scripts/release"
exit $failed
