#!/usr/bin/env bash
# Checks that an exe is a GUI program that imports only Windows system DLLs.
set -euo pipefail
objdump=$1 exe=$2
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|ole32|OLEAUT32|msvcrt)\.dll$'
headers=$("$objdump" -p "$exe")
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || { echo "$exe is not a GUI program"; exit 1; }
status=0
while read -r dll; do
    if [[ $dll =~ $allowed ]]; then echo "imports $dll"; else echo "imports $dll: not a system DLL"; status=1; fi
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
exit $status
