#!/usr/bin/env bash
# Builds the MSI package with wixl, reproducibly: every input carries the time EPOCH, and the
# summary's times and package code are made from the inputs rather than the clock.
# Usage: build-msi.sh STAGE VERSION EPOCH OUT [APPLICATION_DIR|-] [SUPPORT_DIR|-]
#   STAGE: SmsServer.exe, SmsServerCheck.exe, DEPLOYING.txt and repair_action.dll; the names
#   come from product.facts
#   APPLICATION_DIR: installed, subfolders and all, as PelmoraHuaweiEC325\ beside the programs
#   SUPPORT_DIR: its four support files are installed beside the programs, and from there put
#   into the launcher's support folder
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
stage=$1 version=$2 epoch=$3 out=$4 application=${5:--} support=${6:--}
source "$here/../scripts/lib/facts.sh"

# A GUID made from TEXT under the UpgradeCode (a UUID 5): the same text gives the same GUID.
name_uuid() {
    python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
        "$sms_upgrade_code" "$1"
}

# The support files, one component each, named in the order they are listed, into a folder
# below the programs named as the launcher's support folder is. Each component's GUID is made
# from its file's name, so it holds for any number of files, and a component never moves.
support_file_rows() {
    local index file guid rows= refs=
    for index in "${!sms_support_files[@]}"; do
        file=${sms_support_files[$index]}
        guid=$(name_uuid "support file $file")
        rows+="<Component Id=\"Support$index\" Guid=\"$guid\">"
        rows+="<File Id=\"Support$index\" Name=\"$file\" Source=\"\$(var.SupportSource)/$file\" KeyPath=\"yes\" />"
        rows+="</Component>"
        refs+="<ComponentRef Id=\"Support$index\" />"
    done
    sed -e "s|<!-- support folder -->|$sms_support_name|" -e "s|<!-- components -->|$rows|" \
        -e "s|<!-- component references -->|$refs|" "$here/support-files.wxs" >"$work/support-files.wxs"
}

work=$(mktemp -d "${TMPDIR:-/tmp}/sms-msi.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/msi" "$work/application" "$work/support"
for file in "$sms_launcher_file" "$sms_check_file" DEPLOYING.txt repair_action.dll; do
    cp "$stage/$file" "$work/msi/"
done
sources=(main.wxs)
groups=
support_files=existing
if [ "$application" != - ]; then
    cp -R "$application/." "$work/application/"
    (cd "$work/application" && find . -type f | LC_ALL=C sort | sed 's|^\./||') \
        | wixl-heat -p "" --directory-ref APPLICATIONDIR --component-group ApplicationFiles \
                    --var var.ApplicationSource | python3 "$here/name-directories.py" >"$work/application.wxs"
    sources+=(application.wxs)
    groups+='<ComponentGroupRef Id="ApplicationFiles" />'
fi
if [ "$support" != - ]; then
    for file in "${sms_support_files[@]}"; do cp "$support/$file" "$work/support/"; done
    support_file_rows
    sources+=(support-files.wxs)
    groups+='<ComponentGroupRef Id="SupportFiles" />'
    support_files=create
fi
sed "s|<!-- more component groups -->|$groups|" "$here/SmsServer.wxs" >"$work/main.wxs"
# The cabinet keeps each file's time.
find "$work/msi" "$work/application" "$work/support" -type f -exec touch -d "@$epoch" {} +
# One product code per content: made from the version and every file the package installs,
# by its place, so that two packages that differ in any file never share one, and the same
# inputs give the same code.
content=$(cd "$work" && find msi application support -type f -print0 | LC_ALL=C sort -z |
          xargs -0 -r sha256sum | sha256sum | cut -d' ' -f1)
product_code=$(name_uuid "$sms_product_name $version $content")
# wixl takes each source relative to the folder it runs in.
(cd "$work" && wixl -a x86 -D Version="$version" -D ProductCode="$product_code" -D Stage=msi \
     -D ProductName="$sms_product_name" -D Manufacturer="$sms_manufacturer" -D UpgradeCode="$sms_upgrade_code" \
     -D LauncherFile="$sms_launcher_file" -D CheckFile="$sms_check_file" \
     -D SupportFiles=$support_files \
     -D ApplicationSource=application -D SupportSource=support -o package.msi "${sources[@]}")
# wixl leaves the File table's Version empty; with none, Windows Installer takes the programs
# for unversioned files and decides on replacing them by their dates alone.
for file in SmsServerExe SmsServerCheckExe; do
    msibuild "$work/package.msi" -q "UPDATE \`File\` SET \`Version\` = '$version.0' WHERE \`File\` = '$file'"
done
# wixl writes no rollback type: the rollbacks are deferred, elevated, never failing
# (3137) and run only while an install or removal is taken back (0x100).
for action in RollbackRegister RollbackUnregister RollbackRegisterBootTask RollbackRemoveBootTask; do
    msibuild "$work/package.msi" -q "UPDATE \`CustomAction\` SET \`Type\` = 3393 WHERE \`Action\` = '$action'"
done
# A package of the same version with other files is another product: it replaces the one
# installed, as WiX's AllowSameVersionUpgrades does, rather than going in beside it. The
# upgrade's row takes its highest version inclusive (0x200), besides migrating features (1).
# Attributes is part of the table's key, so the row is written anew.
msibuild "$work/package.msi" -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'"
msibuild "$work/package.msi" -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('{$sms_upgrade_code}', '$version', 513, 'WIX_UPGRADE_DETECTED')"
revision=$(msiinfo suminfo "$work/package.msi" | sed -n 's/^Revision number (UUID): //p')
python3 "$here/stamp-msi.py" "$work/package.msi" "$epoch" "$revision" >/dev/null
mv "$work/package.msi" "$out"
