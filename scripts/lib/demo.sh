# Sourced by scripts/run and scripts/bench: a 64-bit Wine prefix of their own in the test bed
# with the demo layout, the program in "C:\SMS Server" with its application folder, the support
# files in the launcher's support folder, and a 32-bit runtime C:\Program Files (x86)\Java\jre1.6.0_05,
# registered in the 32-bit view, whose java.exe is the stand-in that records how it was started.
# Sets WINEPREFIX, sms_program and sms_runtime; wine and wineserver run in the bed.

wine() { scripts/lib/wine-bed run wine "$@"; }
wineserver() { scripts/lib/wine-bed run wineserver "$@"; }

# Makes the prefix in folder (emptied first) from the bed's booted prefix (sms_ensure_bed).
sms_demo_prefix() {
    local folder=$1
    rm -rf "$folder"
    mkdir -p "$folder"
    scripts/lib/wine-bed copy "$folder/prefix"
    export WINEPREFIX=$folder/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d;winemenubuilder.exe=d"
    local drive=$WINEPREFIX/drive_c jar file
    sms_program="$drive/SMS Server"
    mkdir -p "$sms_program/PelmoraHuaweiEC325/lib"
    for jar in comm jdc jxl log4j-1.2.8 slf4j-api-1.1.0 slf4j-log4j12-1.1.0 slf4j-simple-1.1.0 \
               swing-layout-1.0 win32com.dll; do
        : >"$sms_program/PelmoraHuaweiEC325/lib/$jar.jar"
    done
    cp build/win32/SmsServer.exe build/win32/SmsServerCheck.exe "$sms_program/"
    source scripts/lib/facts.sh
    local support=${sms_support_folder#C:\\}
    support="$drive/${support//\\//}"
    mkdir -p "$support"
    for file in "${sms_support_files[@]}"; do
        echo "demo $file" >"$support/$file"
    done
    sms_runtime="$drive/Program Files (x86)/Java/jre1.6.0_05"
    mkdir -p "$sms_runtime/bin" "$sms_runtime/lib/ext"
    cp build/win32/tests/win/recorder.exe "$sms_runtime/bin/java.exe"
    cat >"$folder/runtime.reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\SOFTWARE\JavaSoft\Java Runtime Environment\1.6.0_05]
"JavaHome"="C:\\Program Files (x86)\\Java\\jre1.6.0_05"
REG
    wine 'C:\windows\syswow64\regedit.exe' /S "$folder/runtime.reg"
}

# A display of its own (Xvfb) unless asked to use the one there is; ends it, and the
# prefix's programs, on exit.
sms_display() {
    local own=$1 display
    sms_xvfb_pid=
    if [ "$own" = own ] || [ -z "${DISPLAY:-}" ]; then
        exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
        sms_xvfb_pid=$!
        read -r -t 20 display <&3
        export DISPLAY=:$display
    fi
    trap sms_demo_cleanup EXIT
}

sms_demo_cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "$sms_xvfb_pid" ] && kill "$sms_xvfb_pid" 2>/dev/null
    true
}
