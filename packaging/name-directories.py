#!/usr/bin/env python3
"""Names each folder that wixl-heat wrote after its path below the application folder.

wixl-heat gives folders random ids (its components and files get ids from their paths), so
the Directory table, the Component rows that name it and the package code would differ from
one build to the next. Reads heat's output on stdin and writes it with stable ids on stdout.
"""
import hashlib
import re
import sys

OPEN = re.compile(r'<Directory Id="dir[0-9A-F]+" Name="([^"]+)">')


def main():
    path = []
    for line in sys.stdin:
        opened = OPEN.search(line)
        if opened:
            path.append(opened.group(1))
            digest = hashlib.md5("/".join(path).encode()).hexdigest().upper()
            line = line[:opened.start()] + f'<Directory Id="dir{digest}" Name="{opened.group(1)}">' + line[opened.end():]
        elif "</Directory>" in line:
            path.pop()
        sys.stdout.write(line)


main()
