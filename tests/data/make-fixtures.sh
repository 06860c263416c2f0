#!/bin/sh
# Makes the small pictures the tests read, once, by hand: ./make-fixtures.sh in this folder.
# The files are committed; the tests never run this, so a decoder fault cannot be shared by the
# tool that made its input. Needs ImageMagick's convert and Debian's webp tools (cwebp, gif2webp).
set -eu
cd "$(dirname "$0")"

# Left half one colour, right half the other, 40 x 30.
halves() { echo "-size 40x30 xc:$1 -fill $2 -draw 'rectangle 20,0 39,29' -alpha off -depth 8"; }
RB=$(halves red blue)
BW=$(halves black white)
RB3="$RB -fill lime -draw 'point 0,29'" # a third colour, so the palette is not two-tone
INCH="-units PixelsPerInch -density 72"
GREY="$BW -define png:color-type=0 -define png:bit-depth="
make() { # make OUTPUT ARGS...: OUTPUT as CODER:name
    out=$1
    shift
    # No time stamps, so that making them again gives the same bytes.
    eval convert "$@" -define png:exclude-chunks=date,tIME "${out%%:*}:${out#*:}"
}

# One file per format and depth the decoder reads (test_codec decodeFormats).
make PNG24:rgb.png "$RB $INCH"
make PNG32:rgba.png "$RB -alpha set"
make PNG64:rgba16.png "$RB"
make PNG:g8.png "${GREY}8"
make PNG:g1.png "${GREY}1"
make PNG:ga.png "$BW -alpha set -define png:color-type=4"
make PNG8:p8.png "$RB3"
make PNG32:aw.png "-size 40x30 xc:none -fill red -draw 'rectangle 0,0 19,29'"
make PNG32:ha.png "-size 40x30 'xc:rgba(0,0,255,0.5)'"
make BMP3:b1.bmp "$BW -type bilevel"
make BMP3:b4.bmp "$RB3 -type palette"
make BMP3:b8.bmp "$RB3 -type palette -compress RLE"
make BMP:b16.bmp "$RB -define bmp:subtype=RGB565"
make BMP3:b24.bmp "$RB $INCH -type truecolor"
make BMP:b32.bmp "$RB -alpha set"
make BMP2:os2.bmp "$RB -type truecolor"
make GIF:a.gif "$RB"
make GIF:c.gif "$RB -comment hello"
make GIF:anim.gif "-size 40x30 xc:red xc:blue -loop 0"
make JPEG:a.jpg "$RB -quality 95 -units PixelsPerInch -density 300"
make JPEG:g.jpg "$BW -colorspace Gray -units PixelsPerCentimeter -density 40"
make JPEG:cmyk.jpg "$RB -colorspace CMYK"
make TIFF:lzw.tif "$RB -compress LZW -units PixelsPerInch -density 150"
make TIFF:g4.tif "$BW -type bilevel -compress Group4"
make TIFF:j.tif "$RB -compress JPEG"
make TIFF:multi.tif "-size 40x30 xc:red xc:blue -depth 8 -compress LZW"
make PCX:a.pcx "$RB $INCH"
make PCX:p.pcx "$RB3 -type palette"
make TGA:a.tga "$RB"
make TGA:p.tga "$RB3 -type palette -compress RLE"
make ICO:a.ico "-size 16x16 xc:red -size 32x32 xc:blue"
make PSD:a.psd "$RB"

# A JPEG at the JFIF density of 72 dpi, for the EXIF rows; a palette BMP at 96 dpi for quilmo info.
make JPEG:e.jpg "$RB $INCH"
make BMP3:cli.bmp "$RB -units PixelsPerInch -density 96 -type palette"

# Busy 40 x 30 pictures, cut in half by the truncation rows.
PLASMA="-seed 7 -size 40x30 plasma: -seed 7 -depth 8"
for out in PNG24:t.png BMP3:t.bmp TIFF:t.tif TGA:t.tga PSD:t.psd JPEG:t.jpg; do
    make "$out" "$PLASMA"
done
make GIF:t.gif "$PLASMA -colors 64"
make PCX:t.pcx "$PLASMA -colors 64"
# Half a progressive JPEG holds a whole first scan only from about this size up.
make JPEG:tp.jpg "-seed 7 -size 64x48 plasma: -seed 7 -depth 8 -interlace Plane"

# One colour, 120 x 90, for the main window's open (test_mainwindow fileLoad).
make GIF:red.gif "-size 120x90 xc:red"

# A PNG header promising 60000 x 60000 pixels and nothing behind it.
python3 -c '
import struct, zlib
ihdr = b"IHDR" + struct.pack(">II", 60000, 60000) + bytes([8, 2, 0, 0, 0])
open("huge.png", "wb").write(b"\x89PNG\r\n\x1a\n" + struct.pack(">I", 13) + ihdr +
                             struct.pack(">I", zlib.crc32(ihdr)))'

# WebP from its own tools: lossy halves, lossless with alpha, a busy picture for the truncation
# rows, an animation (refused), and a header promising 16383 x 16383 pixels in 30 bytes.
cwebp -quiet -q 95 rgb.png -o a.webp
cwebp -quiet -lossless -exact aw.png -o aw.webp
cwebp -quiet -q 90 t.png -o t.webp
gif2webp -quiet anim.gif -o anim.webp
python3 -c '
import struct
bits = 0x2f.to_bytes(1, "little") + (16382 | 16382 << 14).to_bytes(4, "little")
chunk = b"VP8L" + struct.pack("<I", len(bits) + 5) + bits + bytes(5)
open("bomb.webp", "wb").write(b"RIFF" + struct.pack("<I", 4 + len(chunk)) + b"WEBP" + chunk)'

# Files no common tool writes, built byte by byte.
python3 -c '
import struct, zlib
le = lambda v, n=4: v.to_bytes(n, "little")
def bmp(name, header, pixels):
    offset = 14 + len(header)
    open(name, "wb").write(b"BM" + le(offset + len(pixels)) + le(0) + le(offset) + header + pixels)
# 40 x 30, left half red, right half blue: 4-bit run-length, and the 64-byte OS/2 2.x header.
rle = bytes([20, 0x11, 20, 0x22, 0, 0]) * 30 + bytes([0, 1])
palette = bytes([0, 0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0]) + bytes(52)
bmp("rle4.bmp", le(40) + le(40) + le(30) + le(1, 2) + le(4, 2) + le(2) + le(len(rle)) + bytes(16)
    + palette, rle)
bmp("os2v2.bmp", le(64) + le(40) + le(30) + le(1, 2) + le(24, 2) + bytes(48),
    (b"\0\0\xff" * 20 + b"\xff\0\0" * 20) * 30)
# Headers promising 60000 x 60000 pixels with almost nothing behind them.
n = 60000
bmp("bomb.bmp", le(40) + le(n) + le(n) + le(1, 2) + le(24, 2) + bytes(24), bytes(64))
open("bomb.gif", "wb").write(b"GIF89a" + le(n, 2) * 2 + bytes.fromhex("800000000000ffffff2c00000000")
                             + le(n, 2) * 2 + bytes.fromhex("000202448401003b"))
jpeg = bytearray(open("a.jpg", "rb").read())
sof = jpeg.index(b"\xff\xc0") + 5
jpeg[sof:sof + 4] = struct.pack(">HH", n, n)
open("bomb.jpg", "wb").write(jpeg)
tag = lambda t, type, v: le(t, 2) + le(type, 2) + le(1) + le(v)
def tiff(name, w, h):
    tags = [(256, 4, w), (257, 4, h), (258, 3, 8), (259, 3, 1), (262, 3, 1), (273, 4, 200),
            (277, 3, 1), (278, 4, h), (279, 4, w * h)]
    open(name, "wb").write(b"II*\0" + le(8) + le(len(tags), 2) + b"".join(tag(*t) for t in tags)
                           + le(0) + bytes(64))
tiff("bomb.tif", n, n)
tiff("m15.tif", 5000, 3000) # within the pixel budget, beyond the general decoder path in 300 MB
open("bomb.pcx", "wb").write(bytes.fromhex("0a050108") + le(0) + le(n - 1, 2) * 2 + bytes(53)
                             + b"\3" + le(n, 2) + bytes(60 + 64))
open("bomb.tga", "wb").write(bytes.fromhex("000002000000000000000000") + le(n, 2) * 2
                             + bytes.fromhex("1800") + bytes(64))'

# e.jpg with an EXIF resolution: 240 x 180 per inch, 118 x 40 per centimetre, no unit, unit 1.
python3 -c '
le = lambda v, n=4: v.to_bytes(n, "little")
jpeg = open("e.jpg", "rb").read()
for name, x, y, unit in [("ei.jpg", 240, 180, 2), ("ec.jpg", 118, 40, 3), ("en.jpg", 240, 180, 0),
                         ("e1.jpg", 240, 180, 1)]:
    n = 3 if unit else 2
    data = 8 + 2 + 12 * n + 4
    ifd = (b"II*\0" + le(8) + le(n, 2) + le(282, 2) + le(5, 2) + le(1) + le(data) + le(283, 2)
           + le(5, 2) + le(1) + le(data + 8))
    if unit:
        ifd += le(296, 2) + le(3, 2) + le(1) + le(unit)
    app1 = b"Exif\0\0" + ifd + le(0) + le(x) + le(1) + le(y) + le(1)
    open(name, "wb").write(jpeg[:2] + b"\xff\xe1" + (len(app1) + 2).to_bytes(2, "big") + app1
                           + jpeg[2:])'

# The median filter's reference: a noisy 23 x 9 picture and its square medians (test_imageops).
make PNG24:median-in.png "-seed 3 -size 23x9 plasma: -depth 8"
for side in 2 3 10; do
    make PNG24:median-$side.png "median-in.png -statistic Median ${side}x$side"
done
# And its Gaussian blurs and sharpenings at the dialog's first and strongest strength.
for sigma in 1.5 10; do
    make PNG24:blur-$sigma.png "median-in.png -gaussian-blur 0x$sigma"
done
for sigma in 1 5; do
    make PNG24:sharpen-$sigma.png "median-in.png -sharpen 0x$sigma"
done
