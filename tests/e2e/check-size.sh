#!/usr/bin/env bash
# Checks that an exe holds at most BUDGET bytes besides its splash picture (the picture's file
# size is subtracted; give /dev/null when it has none), and that its link took nothing of the
# exception runtime (the unwinder of libgcc_eh, the throw and personality routines). Over
# budget, prints the largest input files of the link, from the linker's map, to show what to cut.
# Usage: check-size.sh EXE BUDGET MAP PICTURE
set -euo pipefail
exe=$1 budget=$2 map=$3 picture=$4
size=$(stat -c %s "$exe")
picture_size=$(stat -c %s "$picture")
besides=$((size - picture_size))
echo "$(basename "$exe"): $size bytes, $besides besides the splash picture; budget $budget"
if grep -Eo 'lib(gcc_eh|supc\+\+)\.a\((unwind[^)]*|eh_[a-z_]*)\.o\)' "$map" | sort -u | grep .; then
    echo "The exception runtime is linked in (above)."
    exit 1
fi
[ "$besides" -le "$budget" ] && exit 0
echo "Over budget by $((besides - budget)) bytes. The largest parts the linker took in:"
# Sizes of the input sections kept in the output, summed by input file (archive member).
awk '
    /^Linker script and memory map/ { inmap = 1; next }
    !inmap { next }
    /^ \.[^ ]+ +0x[0-9a-f]+ +0x[0-9a-f]+ +[^ ]/ { add($1, $3, $4); pending = ""; next }
    /^ \.[^ ]+ *$/ { pending = $1; next }
    pending != "" && /^ +0x[0-9a-f]+ +0x[0-9a-f]+ +[^ ]/ { add(pending, $2, $3); pending = "" }
    function add(section, hex, file) {
        if (section ~ /^\.(debug|stab)/) return
        sub(/.*\//, "", file)
        sizes[file] += number(hex)
    }
    function number(hex,    i, value) {
        value = 0
        for (i = 3; i <= length(hex); i++) value = value * 16 + index("0123456789abcdef", substr(hex, i, 1)) - 1
        return value
    }
    END { for (f in sizes) printf "%8d  %s\n", sizes[f], f }
' "$map" | sort -rn | head -15
exit 1
