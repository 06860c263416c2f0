#!/usr/bin/env bash
# Writes the seed corpus: one tiny valid file per format and variant. Run once; the files are
# committed, and crash-* files found by fuzzing are added beside them by hand.
set -euo pipefail
out="$(dirname "$0")/corpus/decode"
mkdir -p "$out"
cd "$out"
base=(-size 8x6 gradient:red-blue -alpha off -depth 8)
bw=(-size 8x6 xc:black -fill white -draw "rectangle 4,0 7,5" -alpha off -depth 8)
convert "${base[@]}" PNG24:rgb.png
convert "${base[@]}" -colors 6 PNG8:palette.png
convert "${bw[@]}" -define png:color-type=0 -define png:bit-depth=1 grey1.png
convert "${base[@]}" -alpha set -depth 16 PNG64:rgba16.png
convert "${base[@]}" -interlace PNG PNG24:interlaced.png
convert "${bw[@]}" -type bilevel BMP3:bits1.bmp
convert "${base[@]}" -colors 6 -type palette BMP3:bits4.bmp
convert "${base[@]}" -colors 6 -type palette -compress RLE BMP3:rle8.bmp
convert "${base[@]}" -define bmp:subtype=RGB565 BMP:bits16.bmp
convert "${base[@]}" -type truecolor BMP3:bits24.bmp
convert "${base[@]}" -alpha set BMP:bits32.bmp
convert "${base[@]}" -type truecolor BMP2:os2v1.bmp
convert "${base[@]}" GIF:still.gif
convert -size 8x6 xc:red xc:blue -loop 0 GIF:anim.gif
convert "${base[@]}" JPEG:baseline.jpg
convert "${base[@]}" -interlace Plane JPEG:progressive.jpg
convert "${base[@]}" -colorspace Gray JPEG:grey.jpg
convert "${base[@]}" -colorspace CMYK JPEG:cmyk.jpg
convert "${base[@]}" -compress LZW TIFF:lzw.tif
convert "${base[@]}" -compress Zip TIFF:zip.tif
convert "${bw[@]}" -type bilevel -compress Group4 TIFF:g4.tif
convert "${base[@]}" -compress JPEG TIFF:jpeg.tif
convert -size 8x6 xc:red xc:blue -depth 8 -compress LZW TIFF:pages.tif
convert "${base[@]}" PCX:rgb.pcx
convert "${base[@]}" -colors 6 -type palette PCX:palette.pcx
convert "${base[@]}" TGA:rgb.tga
convert "${base[@]}" -colors 6 -type palette -compress RLE TGA:rle.tga
convert -size 8x8 xc:red -size 16x16 xc:blue ICO:sizes.ico
convert "${base[@]}" PSD:flat.psd
