#!/usr/bin/env bash
# Runs a Windows program under Wine in a fresh copy of the test prefix, on a display of its
# own (a new Xvfb), and ends both afterwards. Usage: wine-run.sh TEMPLATE PROGRAM.exe [ARGS...]
# TEMPLATE is the prefix to copy, made first if need be; SMS_KEEP_PREFIX=1 keeps the copy;
# SMS_WINE_LOCALE=de_DE runs Wine with that user locale, built here so no machine needs it.
# Read-only files stay read-only even when the tests run as root.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
template=$1
shift
# Status 77 tells CTest the test was skipped: Wine's 32-bit loader cannot run here.
if ! wine --version >/dev/null 2>&1; then
    echo "skipped: this machine cannot run 32-bit programs, so Wine cannot run $(basename "$1")"
    exit 77
fi
"$here/make-prefix.sh" "$template" || exit 1

work=$(mktemp -d "${TMPDIR:-/tmp}/sms-wine.XXXXXX")
prefix=$work/prefix
# Hard links keep the copy cheap; the registry files, which Wine rewrites, are real copies.
cp -al "$template" "$prefix"
for hive in "$template"/*.reg; do cp --remove-destination "$hive" "$prefix/"; done
# Debian's Wine notes its server folder here; a copy must get a server of its own.
rm -f "$prefix/wineserver"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d;winemenubuilder.exe=d"
export SMS_E2E_OUT=$work
if [ -n "${SMS_WINE_LOCALE:-}" ]; then
    localedef -i "$SMS_WINE_LOCALE" -f UTF-8 "$work/locale/$SMS_WINE_LOCALE.UTF-8" 2>/dev/null
    export LOCPATH=$work/locale LC_ALL=$SMS_WINE_LOCALE.UTF-8 LANG=$SMS_WINE_LOCALE.UTF-8
fi

exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
xvfb_pid=$!
read -r -t 20 display <&3 || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$display

# As root, Wine would write and delete read-only files where Windows refuses: without the
# capability that lets root ignore file permissions, Wine keeps Windows' rules.
if [ "$(id -u)" = 0 ]; then
    setpriv --bounding-set=-dac_override,-dac_read_search --inh-caps=-all wine "$@"
else
    wine "$@"
fi
status=$?

wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
kill "$xvfb_pid" 2>/dev/null
wait "$xvfb_pid" 2>/dev/null
if [ "${SMS_KEEP_PREFIX:-0}" = 1 ]; then echo "prefix kept: $work" >&2; else rm -rf "$work"; fi
exit $status
