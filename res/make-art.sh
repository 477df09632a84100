#!/usr/bin/env bash
# Draws the program's icon (Vestrand.ico) and its picture link (Vestrand.gif) with
# ImageMagick. The results are committed; run this again only to change the artwork.
#
# Icon: a yellow folder with a green arrow leaving it, on a transparent background;
# 16x16 and 32x32 pixels, each in 16 colours (the standard VGA palette) and 256 colours.
# Picture: 93x32 pixels, the product name on a blue band with a small folder.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

FONT=${VESTRAND_ART_FONT:-/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf}

# The 16 colours every Windows display has.
convert -size 1x1 \
  xc:'#000000' xc:'#800000' xc:'#008000' xc:'#808000' xc:'#000080' xc:'#800080' \
  xc:'#008080' xc:'#c0c0c0' xc:'#808080' xc:'#ff0000' xc:'#00ff00' xc:'#ffff00' \
  xc:'#0000ff' xc:'#ff00ff' xc:'#00ffff' xc:'#ffffff' +append "$tmp/vga.png"

# The master drawing, 64x64: folder body, tab, and an arrow pointing up-right.
convert -size 64x64 xc:none \
  -fill '#c08000' -draw 'roundrectangle 4,14 30,24 3,3' \
  -fill '#ffc020' -stroke '#805000' -strokewidth 2 -draw 'roundrectangle 4,20 52,56 4,4' \
  -stroke none -fill '#ffe080' -draw 'rectangle 8,26 48,30' \
  -fill '#10a040' -stroke '#005020' -strokewidth 2 \
  -draw 'polygon 30,46 46,30 40,24 60,20 56,40 50,34 34,50' \
  "$tmp/master.png"

for size in 16 32; do
  convert "$tmp/master.png" -filter Lanczos -resize ${size}x${size} "$tmp/rgba$size.png"
  # Transparency becomes the icon's 1-bit mask.
  convert "$tmp/rgba$size.png" -alpha extract -threshold 50% "$tmp/mask$size.png"
  # 256 colours.
  convert "$tmp/rgba$size.png" -alpha off -colors 255 \
    "$tmp/mask$size.png" -alpha off -compose CopyOpacity -composite \
    -type PaletteMatte "$tmp/c256_$size.ico"
  # 16 colours: remapped to the VGA palette without dithering, so edges stay clean.
  convert "$tmp/rgba$size.png" -alpha off +dither -remap "$tmp/vga.png" \
    "$tmp/mask$size.png" -alpha off -compose CopyOpacity -composite \
    -type PaletteMatte "$tmp/c16_$size.ico"
done

# -type PaletteMatte keeps each image palette-based (4 or 8 bits) with its mask.
convert "$tmp/c16_16.ico" "$tmp/c16_32.ico" "$tmp/c256_16.ico" "$tmp/c256_32.ico" \
  -type PaletteMatte "$tmp/Vestrand.ico"
mv "$tmp/Vestrand.ico" Vestrand.ico

# The picture: exactly 93x32, no transparency, at most 256 colours.
convert -size 93x32 gradient:'#1e5aa8'-'#0b2e5c' \
  -fill '#ffc020' -stroke '#805000' -strokewidth 1 -draw 'roundrectangle 5,11 23,26 2,2' \
  -stroke none -fill '#c08000' -draw 'rectangle 5,8 12,11' \
  -fill white -font "$FONT" -pointsize 13 -annotate +28+21 'Vestrand' \
  -fill '#a0c8ff' -pointsize 7 -annotate +29+29 'folder mover' \
  -colors 128 +repage "$tmp/Vestrand.gif"
mv "$tmp/Vestrand.gif" Vestrand.gif
