#!/usr/bin/env bash
# Draws the program icon (a white clipboard on an amethyst rounded square) and packs it into
# vellomarch.ico at the sizes Windows asks for. Run by hand when the icon changes; the .ico is
# kept in the repository so that the build needs no image tools.
set -euo pipefail
out=${1:-$(dirname "$0")/vellomarch.ico}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 256x256 xc:none \
  -fill '#6B3FA0' -draw 'roundrectangle 8,8 247,247 44,44' \
  -fill white -draw 'roundrectangle 60,44 196,224 16,16' \
  -fill '#6B3FA0' -draw 'roundrectangle 76,64 180,208 8,8' \
  -fill white -draw 'roundrectangle 96,28 160,68 12,12' \
  -fill '#6B3FA0' -draw 'roundrectangle 110,38 146,54 6,6' \
  -fill white -draw 'rectangle 96,100 160,112' -draw 'rectangle 96,132 160,144' -draw 'rectangle 96,164 140,176' \
  PNG32:"$work/master.png"
sizes=()
for s in 16 20 24 32 40 48 64 256; do
  convert "$work/master.png" -filter Lanczos -resize ${s}x${s} PNG32:"$work/$s.png"
  sizes+=("$work/$s.png")
done
convert "${sizes[@]}" "$out"
