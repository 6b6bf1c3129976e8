#!/usr/bin/env bash
# Makes the 32-bit Wine prefix that every Windows test run copies: booted once, with windows
# left unmanaged so that Wine draws frames itself and never waits on a window manager.
set -euo pipefail
prefix=$1
mkdir -p "$(dirname "$prefix")"
# Test runs start in parallel: the first one makes the prefix, the others wait for it.
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.sms-ready" ] && exit 0
rm -rf "$prefix"
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=d;winemenubuilder.exe=d"
wineboot -i >/dev/null 2>&1
settings=$(mktemp --suffix=.reg)
trap 'rm -f "$settings"' EXIT
cat >"$settings" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="N"

[HKEY_CURRENT_USER\Software\Wine\DllOverrides]
"winemenubuilder.exe"=""
REG
wine regedit /S "$settings" >/dev/null 2>&1
wineserver -w
touch "$prefix/.sms-ready"
