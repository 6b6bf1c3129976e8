#!/usr/bin/env bash
# Draws the splash picture (splash.gif, 484 x 493, 256 colours) and the program icon
# (SmsServer.ico, 32 x 32, 256 colours) with ImageMagick. The drawn files are committed;
# run this only to change the artwork.
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
plain=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf

# A phone with a speech bubble and radio waves over a night-blue gradient.
/usr/bin/convert -size 484x493 gradient:'#0b2447-#19376d' \
  -fill '#576cbc' -draw 'roundrectangle 150,110 334,330 22,22' \
  -fill '#0b2447' -draw 'roundrectangle 164,134 320,290 8,8' \
  -fill '#a5d7e8' -draw 'circle 242,310 242,318' \
  -fill white -draw 'roundrectangle 180,150 304,214 14,14' \
  -draw 'polygon 200,214 226,214 196,236' \
  -fill '#19376d' -draw 'circle 210,182 210,188' -draw 'circle 242,182 242,188' \
  -draw 'circle 274,182 274,188' \
  -fill '#a5d7e8' \
  -draw 'polygon 341,72 344,72 347,73 350,75 354,76 356,78 359,80 362,82 364,85 366,88 368,90 369,94 371,97 372,100 372,103 366,104 366,101 365,99 364,96 363,94 361,91 359,89 357,87 355,85 353,83 350,81 348,80 345,79 343,78 340,78' \
  -draw 'polygon 345,50 350,51 355,53 360,55 364,57 369,60 373,63 377,67 381,71 384,75 387,80 389,84 391,89 393,94 394,99 388,100 387,96 386,91 384,87 382,82 379,78 376,75 373,71 369,68 366,65 362,62 357,60 353,58 348,57 344,56' \
  -draw 'polygon 348,28 355,30 362,32 369,35 376,38 382,42 387,46 393,51 398,57 402,62 406,68 409,75 412,82 414,89 416,96 410,97 408,90 406,84 404,77 401,72 397,66 393,61 388,56 383,51 378,47 372,43 367,40 360,38 354,36 347,34' \
  -fill white -font "$font" -pointsize 46 -gravity north \
  -annotate +0+352 'SMS Server' \
  -fill '#a5d7e8' -font "$plain" -pointsize 17 \
  -annotate +0+412 'Huawei EC325 3G modem gateway' \
  -annotate +0+440 'Starting, please wait...' \
  -alpha off -dither FloydSteinberg -colors 256 -type Palette splash.gif

/usr/bin/convert -size 32x32 gradient:'#19376d-#0b2447' \
  -fill '#576cbc' -draw 'roundrectangle 8,3 23,28 3,3' \
  -fill white -draw 'roundrectangle 10,6 21,16 2,2' -draw 'polygon 12,16 15,16 11,19' \
  -fill '#a5d7e8' -draw 'circle 15,24 15,25' \
  -alpha off -dither FloydSteinberg -colors 256 -type Palette BMP3:icon.bmp
/usr/bin/convert icon.bmp -type Palette SmsServer.ico
rm -f icon.bmp
