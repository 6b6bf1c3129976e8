#!/usr/bin/env bash
# Checks that an exe is a Terminal Server aware program of the given subsystem (GUI or console)
# that imports only KnownDLLs: DLLs that Windows always loads from its system folder, so that
# none can be planted beside the program before it runs.
set -euo pipefail
objdump=$1 exe=$2 subsystem=$3
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|ole32|OLEAUT32|msvcrt)\.dll$'
headers=$("$objdump" -p "$exe")
case $subsystem in
    GUI) pattern='Subsystem.*(Windows GUI)' ;;
    console) pattern='Subsystem.*(Windows CUI)' ;;
esac
grep -q "$pattern" <<<"$headers" || { echo "$exe is not a $subsystem program"; exit 1; }
grep -q "TERMINAL_SERVICE_AWARE" <<<"$headers" || { echo "$exe is not Terminal Server aware"; exit 1; }
status=0
while read -r dll; do
    if [[ $dll =~ $allowed ]]; then echo "imports $dll"; else echo "imports $dll: not a system DLL"; status=1; fi
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
exit $status
