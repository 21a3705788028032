#!/usr/bin/env bash
# Draws the window's sixteen images and the Windows icon with ImageMagick 6.
# The PNGs are committed, so building never needs this; run it again after
# changing a picture:  src/ui/images/draw-images.sh
# Small pictures are drawn four times larger and scaled down, which gives
# smooth edges; coordinates below are in final pixels ("scale 4,4").
set -euo pipefail
cd "$(dirname "$0")"

# Always the real ImageMagick, whatever else is first on PATH.
IM=/usr/bin/convert
SANS_BOLD=DejaVu-Sans-Bold
CJK_FONT=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc

GREEN='#2E9E5B'
GREEN_DARK='#21774A'
RED='#D9363E'
BLUE='#2F6DB5'
NAVY='#1F3A5F'
ORANGE='#F28C28'
GREY='#8C8C8C'

# Reproducible files: no time stamps or other ancillary chunks.
PNG_OPTS=(-strip -define "png:exclude-chunks=date,time,tEXt,zTXt,iTXt")

# render WIDTH HEIGHT OUT [convert options...]: draw at 4x on transparency, scale down.
render() {
    local w=$1 h=$2 out=$3
    shift 3
    "$IM" -size "$((w * 4))x$((h * 4))" xc:none "$@" \
        -filter Lanczos -resize "${w}x${h}!" "${PNG_OPTS[@]}" "PNG32:$out"
}

# aperture CX CY R COLOUR WIDTH: MVG for a six-bladed iris: a light opening and
# the blade edges running from each corner of the opening to the rim.
aperture() {
    awk -v cx="$1" -v cy="$2" -v r="$3" -v colour="$4" -v width="$5" 'BEGIN {
        pi = atan2(0, -1); o = r * 0.42
        for (i = 0; i < 6; i++) {
            a = pi / 3 * i + pi / 6
            x[i] = cx + o * cos(a); y[i] = cy + o * sin(a)
        }
        printf "fill #8FD3FF stroke none polygon"
        for (i = 0; i < 6; i++) printf " %.2f,%.2f", x[i], y[i]
        printf " fill none stroke %s stroke-width %s", colour, width
        for (i = 0; i < 6; i++) {
            p = (i + 5) % 6
            dx = x[i] - x[p]; dy = y[i] - y[p]; len = sqrt(dx * dx + dy * dy)
            dx /= len; dy /= len
            # Walk along the edge direction from corner i until the rim.
            b = dx * (x[i] - cx) + dy * (y[i] - cy)
            c = (x[i] - cx) ^ 2 + (y[i] - cy) ^ 2 - r * r
            t = -b + sqrt(b * b - c)
            printf " line %.2f,%.2f %.2f,%.2f", x[i], y[i], x[i] + t * dx, y[i] + t * dy
        }
    }'
}

# product SIZE OUT: the program's own picture, a shutter iris in a dark ring,
# drawn on a 64-unit grid at SIZE pixels.
product() {
    local k
    k=$(awk -v s="$1" 'BEGIN { print 4 * s / 64 }')
    render "$1" "$1" "$2" \
        -draw "scale $k,$k fill $NAVY stroke none circle 32,32 32,2" \
        -draw "scale $k,$k $(aperture 32 32 26 '#C9D6E3' 1.6)" \
        -draw "scale $k,$k fill none stroke #C9D6E3 stroke-width 2 circle 32,32 32,6"
}

# Window icon.
product 64 product.png
# The desktop's icon theme, at its usual sizes.
for size in 16 24 32 48 64 128 256; do
    product "$size" "../../../data/icons/$size.png"
done

# Start: white triangle on a green disc.
render 63 62 start.png \
    -draw "scale 4,4 fill $GREEN stroke $GREEN_DARK stroke-width 2 circle 31.5,31 31.5,3" \
    -draw "scale 4,4 fill white stroke white stroke-width 2 stroke-linejoin round
           polygon 25,19 25,43 45,31"

# Stop: white square on a red disc.
render 56 57 stop.png \
    -draw "scale 4,4 fill $RED stroke #A8262D stroke-width 2 circle 28,28.5 28,2.5" \
    -draw "scale 4,4 fill white stroke none roundrectangle 18,18.5 38,38.5 3,3"

# Automatic mode off: a power symbol.
render 48 46 close.png \
    -draw "scale 4,4 fill none stroke $RED stroke-width 4.5 stroke-linecap round
           path 'M 31.5,11.01 A 15,15 0 1,1 16.5,11.01'" \
    -draw "scale 4,4 stroke $RED stroke-width 4.5 stroke-linecap round line 24,5 24,23"

# No port open: an empty ring.
render 64 64 circle.png \
    -draw "scale 4,4 fill #F4F4F4 stroke #9A9A9A stroke-width 6 circle 32,32 32,5"

# Radio indicator, unchecked: an empty circle.
render 64 64 no.png \
    -draw "scale 4,4 fill white stroke #A6A6A6 stroke-width 4 circle 32,32 32,4"

# Radio indicator, checked: a filled circle with a tick.
render 64 64 ok.png \
    -draw "scale 4,4 fill $GREEN stroke $GREEN_DARK stroke-width 2 circle 32,32 32,3" \
    -draw "scale 4,4 fill none stroke white stroke-width 6 stroke-linecap round
           stroke-linejoin round polyline 18,33 28,43 46,22"

# Save scheme: a floppy disk.
render 64 64 save.png \
    -draw "scale 4,4 fill $BLUE stroke #1F4F86 stroke-width 2 stroke-linejoin round
           polygon 6,6 50,6 58,14 58,58 6,58" \
    -draw "scale 4,4 fill #D8DEE6 stroke none rectangle 16,6 46,24" \
    -draw "scale 4,4 fill #1F4F86 rectangle 37,9 42,21" \
    -draw "scale 4,4 fill white roundrectangle 13,33 51,58 2,2" \
    -draw "scale 4,4 stroke #9DB3CC stroke-width 2 line 18,41 46,41 line 18,48 46,48"

# Import scheme: an arrow going into a folder.
render 56 52 import.png \
    -draw "scale 4,4 fill #D99A1E stroke none polygon 4,12 20,12 25,17 52,17 52,48 4,48" \
    -draw "scale 4,4 fill #F5BE3C stroke #D99A1E stroke-width 1 roundrectangle 4,22 52,48 2,2" \
    -draw "scale 4,4 fill $BLUE stroke white stroke-width 1.5 stroke-linejoin round
           polygon 24,2 32,2 32,20 39,20 28,33 17,20 24,20"

# Help: a question mark on a blue disc.
render 64 64 help.png \
    -draw "scale 4,4 fill $BLUE stroke #1F4F86 stroke-width 2 circle 32,32 32,3" \
    -font "$SANS_BOLD" -pointsize 168 -fill white -gravity center -annotate +0+6 '?'

# Port selector drop-down arrow.
render 32 32 combox.png \
    -draw "scale 4,4 fill none stroke #505050 stroke-width 3.5 stroke-linecap round
           stroke-linejoin round polyline 8,12 16,21 24,12"

# Spin box arrows, light for the dark spin boxes.
render 16 16 s.png -draw "scale 4,4 fill rgb(200,200,200) stroke none polygon 2.5,11.5 13.5,11.5 8,4.5"
render 16 16 x.png -draw "scale 4,4 fill rgb(200,200,200) stroke none polygon 2.5,4.5 13.5,4.5 8,11.5"

# Scheme entry: a written page with a folded corner.
render 128 128 log.png \
    -draw "scale 4,4 fill white stroke #5A6B7D stroke-width 4 stroke-linejoin round
           polygon 22,8 84,8 106,30 106,120 22,120" \
    -draw "scale 4,4 fill #D5DEE8 stroke #5A6B7D stroke-width 4 stroke-linejoin round
           polygon 84,8 84,30 106,30" \
    -draw "scale 4,4 stroke $BLUE stroke-width 5 stroke-linecap round
           line 38,48 90,48 line 38,64 90,64 line 38,80 90,80 line 38,96 72,96"

# Maker's logos: the iris mark and the name. Drawn at full size.
"$IM" -size 1793x554 xc:none \
    -draw "fill $NAVY stroke none circle 277,277 277,47" \
    -draw "$(aperture 277 277 200 "$ORANGE" 14)" \
    -draw "fill none stroke $ORANGE stroke-width 18 circle 277,277 277,77" \
    -font "$SANS_BOLD" -pointsize 380 -fill "$NAVY" -gravity west -annotate +580+0 'Halvo' \
    "${PNG_OPTS[@]}" PNG32:halvo.png

"$IM" -size 350x110 xc:none \
    -draw "fill $NAVY stroke none circle 55,55 55,10" \
    -draw "$(aperture 55 55 39 "$ORANGE" 3)" \
    -draw "fill none stroke $ORANGE stroke-width 3.5 circle 55,55 55,16" \
    -font "$SANS_BOLD" -pointsize 56 -fill "$NAVY" -gravity northwest -annotate +118+8 'Halvo' \
    -font "$CJK_FONT" -pointsize 24 -fill "$GREY" -annotate +122+72 '光电仪器' \
    "${PNG_OPTS[@]}" PNG32:Halvo_Logo.png

# The executable's file icon on Windows: one image, the product picture.
"$IM" product.png kavrin.ico
