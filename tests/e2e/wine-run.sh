#!/usr/bin/env bash
# Runs a Windows program under Wine in the test bed, in a fresh copy of its 64-bit prefix, on a
# display of its own (a new Xvfb), and ends both afterwards. Usage: wine-run.sh PROGRAM.exe [ARGS...]
# SMS_KEEP_PREFIX=1 keeps the copy; SMS_WINE_LOCALE=de_DE runs Wine with that user locale,
# built here so no machine needs it.
set -uo pipefail
bed=$(cd "$(dirname "$0")/../../scripts/lib" && pwd)/wine-bed
"$bed" make || exit 1

work=$(mktemp -d "${TMPDIR:-/tmp}/sms-wine.XXXXXX")
prefix=$work/prefix
"$bed" copy "$prefix" || exit 1
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d;winemenubuilder.exe=d"
export SMS_E2E_OUT=$work
if [ -n "${SMS_WINE_LOCALE:-}" ]; then
    # Built with the bed's own C library, which reads it.
    "$bed" run localedef -i "$SMS_WINE_LOCALE" -f UTF-8 "$work/locale/$SMS_WINE_LOCALE.UTF-8" 2>/dev/null
    export LOCPATH=$work/locale LC_ALL=$SMS_WINE_LOCALE.UTF-8 LANG=$SMS_WINE_LOCALE.UTF-8
fi

exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
xvfb_pid=$!
read -r -t 20 display <&3 || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$display

"$bed" run sh -c 'wine "$@"; status=$?; wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; exit $status' wine "$@"
status=$?

kill "$xvfb_pid" 2>/dev/null
wait "$xvfb_pid" 2>/dev/null
if [ "${SMS_KEEP_PREFIX:-0}" = 1 ]; then echo "prefix kept: $work" >&2; else rm -rf "$work"; fi
exit $status
