#!/bin/sh
# Regenerates the committed PNG and ICO from the SVG, so a build never needs a renderer.
# Needs Debian's librsvg2-bin (rsvg-convert) and icoutils (icotool).
set -eu
cd "$(dirname "$0")"
svg=org.example.Valtessa.svg
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

for size in 16 32 48 256; do
    rsvg-convert --width "$size" --height "$size" --format png --output "$tmp/$size.png" "$svg"
done
cp "$tmp/32.png" org.example.Valtessa-32.png
# The 256 entry is stored as PNG (--raw), as Windows expects; as BMP it would be far larger.
icotool --create --output valtessa.ico "$tmp/16.png" "$tmp/32.png" "$tmp/48.png" --raw="$tmp/256.png"
