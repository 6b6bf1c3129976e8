#!/usr/bin/env bash
# The release: two builds in different folders at different times give the same zip and MSI,
# whose programs are the very ones the other tests run; the MSI holds what an administrator
# pushes (per machine, 32-bit, the shortcut, upgrades, the repair step) and, when asked, the
# application and support folders; a release signed with a throwaway certificate verifies and
# still runs under Wine; bad input and a dirty tree stop it with one line and no output.
# Usage: release-test.sh BUILD WINE_RUN LAUNCHER_E2E
#   BUILD: the win32 build folder whose programs the other tests run
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
build=$1 wine_run=$2 launcher_e2e=$3
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
release --out "$work/one" >"$work/one.out"
sleep 2
release --out "$work/two" >/dev/null
zip=SmsServer-1.0.0-win32.zip
msi=SmsServer-1.0.0-x86.msi
check "two builds give one zip" cmp "$work/one/$zip" "$work/two/$zip"
check "two builds give one MSI" cmp "$work/one/$msi" "$work/two/$msi"
check "the release's checksums hold" bash -c "cd '$work/one' && sha256sum --quiet -c SHA256SUMS"
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

# The MSI: its tables as an administrator's tools read them.
table() { msiinfo export "${2:-$work/one/$msi}" "$1" | tail -n +4 | tr -d '\r' | tr '\t' ' '; }
has_row() { grep -qxF "$2" <(table "$1" "${3:-}") || { echo "no row \"$2\" in $1:"; table "$1"; return 1; }; }
# Whether the actions run in this order in the install.
in_order() {
    local action at last=0
    for action in "$@"; do
        at=$(table InstallExecuteSequence | awk -v action="$action" '$1 == action {print $NF}')
        [ -n "$at" ] && [ "$at" -gt "$last" ] || { echo "$action is not in its place:"; table InstallExecuteSequence; return 1; }
        last=$at
    done
}
check "the MSI is a 32-bit package" bash -c "msiinfo suminfo '$work/one/$msi' | grep -qx 'Template: Intel;1033'"
check "the MSI is per machine" has_row Property "ALLUSERS 1"
check "the MSI keeps its UpgradeCode" has_row Property "UpgradeCode {6B1E1C52-4E0D-4F7B-9A52-3C0F4D2E8A11}"
check "the release prints the MSI's product code" \
    grep -qxF "$msi product code: $(table Property | awk '$1 == "ProductCode" {print $2}')" "$work/one.out"
check "a package of the same version replaces one with other files" has_row Upgrade \
    "{6B1E1C52-4E0D-4F7B-9A52-3C0F4D2E8A11}  1.0.0  513  WIX_UPGRADE_DETECTED"
check "an older version refuses to install over this one" has_row LaunchCondition \
    "NOT WIX_DOWNGRADE_DETECTED A newer version of SMS Server is already installed. Remove it first to install this older one."
check "the shortcut starts SmsServer.exe in its folder" has_row Shortcut \
    "SmsServerShortcut ProgramMenuFolder SMS Server StartMenuShortcut [INSTALLDIR]SmsServer.exe  Starts the SMS server     INSTALLDIR    "
check "Add/Remove Programs links to the guide" has_row CustomAction "SetHelpLink 2099 ARPHELPLINK [INSTALLDIR]DEPLOYING.txt "
check "the repair runs deferred, elevated, and cannot fail the install" has_row CustomAction \
    "RunRepair 3137 RepairAction RunRepair "
check "the deferred steps' data are set after costing" \
    in_order CostFinalize SetInstallLocation SetHelpLink ReadRegistration SetRepairFolder SetPlaceSupportFiles InstallValidate
check "the support files go in once the programs are, then the repair" \
    in_order InstallFiles PlaceSupportFiles RunRepair
# "Every custom action that changes the state needs to have a corresponding rollback custom
# action", scheduled before it; 0x100 makes it one.
check "a rollback comes before the registration" in_order PlaceSupportFiles RollbackRegister RunRepair
check "a rollback comes before the unregistration" in_order InstallInitialize RollbackUnregister RunUnregister
for row in "RollbackRegister RollbackRegister" "RollbackUnregister RollbackUnregister" \
           "RollbackRegisterBootTask RemoveBootTask" "RollbackRemoveBootTask RegisterBootTask"; do
    read -r action entry <<<"$row"
    check "$action runs only in a rollback" has_row CustomAction "$action 3393 RepairAction $entry "
done
# Windows removes the old version only in one of four places; after InstallFiles it takes
# out the new version's files, which share its components.
check "an upgrade removes the old version before it installs" \
    in_order InstallValidate RemoveExistingProducts InstallInitialize
check "both programs carry their version" \
    test "$(table File | awk '/^SmsServer/ {print $1, $5}' | tr '\n' ' ')" = "SmsServerExe 1.0.0.0 SmsServerCheckExe 1.0.0.0 "
msiextract -C "$work/extracted" "$work/one/$msi" >/dev/null
for exe in SmsServer.exe SmsServerCheck.exe; do
    check "the MSI's $exe is the tested one" cmp "$work/extracted/Program Files/SMS Server/$exe" "$build/$exe"
done
check "the MSI carries the commit's time" bash -c \
    "TZ=UTC msiinfo suminfo '$work/one/$msi' | grep -qx \"Created: \$(LC_ALL=C TZ=UTC date -d @\$(git -C '$repo' log -1 --format=%ct) '+%a %b %e %H:%M:%S %Y')\""

# The whole desktop in one MSI: the application folder and the support files.
mkdir -p "$work/app/lib/more" "$work/support"
echo "a jar" >"$work/app/lib/comm.jar"
echo "another" >"$work/app/lib/more/swing layout.jar"
for file in Comm.jar javax.comm.properties Win32com.dll jdc.jar; do echo "$file" >"$work/support/$file"; done
release --out "$work/desktop" --application "$work/app" --support "$work/support" >/dev/null
cp -R "$work/app" "$work/another app"
release --out "$work/again" --application "$work/another app" --support "$work/support" >/dev/null
check "an application folder of another name gives the same MSI" cmp "$work/desktop/$msi" "$work/again/$msi"
other_code() { [ "$(table Property | grep ProductCode)" != "$(table Property "$work/desktop/$msi" | grep ProductCode)" ]; }
check "other files give another product code" other_code
msiextract -C "$work/desktop/files" "$work/desktop/$msi" >/dev/null
check "the application folder lands beside the programs" cmp "$work/app/lib/more/swing layout.jar" \
    "$work/desktop/files/Program Files/SMS Server/PelmoraHuaweiEC325/lib/more/swing layout.jar"
# No standard action writes into C:\sorvel, where InstallFiles would follow a link: the files
# go below the package's own folder, and its deferred step puts them in place by handle.
check "the support files are installed below the programs" has_row Directory "SUPPORTDIR INSTALLDIR GsmModemJar" "$work/desktop/$msi"
check "no folder of the package is C:\\sorvel" bash -c "! msiinfo export '$work/desktop/$msi' Directory | grep -qi sorvel"
check "the package holds the support files" cmp "$work/support/Win32com.dll" \
    "$work/desktop/files/Program Files/SMS Server/GsmModemJar/Win32com.dll"
installs_locked() {
    local at="Z:${work//\//\\}\\desktop"
    quiet "$wine_run" msiexec /i "$at\\$msi" /qn /l*v "$at\\install.log" &&
        grep -aq 'C:\\sorvel\\GsmModemJar was made and locked' "$work/desktop/install.log" &&
        grep -aq "the package's support files are in C:\\\\sorvel\\\\GsmModemJar" "$work/desktop/install.log"
}
check "installed under Wine, it makes the support folder locked and puts its files in" installs_locked

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
check "the MSI verifies" quiet osslsigncode verify -in "$work/signed/$msi" -CAfile "$work/cert.pem"
msiinfo extract "$work/signed/$msi" Binary.RepairAction >"$work/signed/repair_action.dll"
check "the MSI's repair step verifies" quiet osslsigncode verify -in "$work/signed/repair_action.dll" -CAfile "$work/cert.pem"
check "the release's checksums are the signed files'" bash -c "cd '$work/signed' && sha256sum --quiet -c SHA256SUMS"
check "the signed SmsServer.exe shows its splash and starts Java under Wine" \
    quiet env SMS_LAUNCHER_UNDER_TEST="$work/signed/files/SmsServer.exe" "$wine_run" \
    "$launcher_e2e" --gtest_filter=Launcher.ShowsTheSplashThenStartsTheChosenRuntimeHidden

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
check "a missing application folder is refused" refused "$repo/scripts/release" --allow-dirty --application "$work/absent"
rm "$work/support/jdc.jar"
check "a support folder without jdc.jar is refused" refused "$repo/scripts/release" --allow-dirty --support "$work/support"
git clone -q "$repo" "$work/clone"
echo "# a change" >>"$work/clone/product.facts"
check "a dirty tree is refused" refused "$work/clone/scripts/release"
exit $failed
