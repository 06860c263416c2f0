#!/usr/bin/env bash
# Writes the seed corpus: one tiny valid file per format and variant. Run once; the files are
# committed, and crash-* files found by fuzzing (or by comparing decoders) are added beside them
# by hand.
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
# WebP, lossy and lossless with alpha, as the test fixtures have them.
cp ../../../tests/data/a.webp lossy.webp
cp ../../../tests/data/aw.webp lossless.webp

# Hostile inputs the reading path must answer within its memory budget (crash-* files only have
# to be answered). Kept small; the bombs they stand for are a thousand times larger.
# A tEXt chunk that claims 1.3 GB of a 293-byte file.
base64 -d > crash-bomb-text-length.png <<'B64'
iVBORw0KGgoAAAANSUhEUgAAAAgAAAAGEAYAAACulQO4AAAABGdBTUEAALGPC/xhBQAAACBjSFJNAAB6Jj8AgIQAAPoAAACA
6AAAdTAAAOpgAAA6mAAAF3CculE8AAAABmJLR0T///////8JWPfcAAAAB3RJTUUH6gwGFAY2GV8ZKgAAAClJREFUGNNj/P+f
gYGBAUKSA1jOnmVgMDYmV/uwMICRgYGB4f9/8gMRAAUHEAteyViQAAAAJXRFWHRkYXRlOmNyZWF0ZQAyMDI2LTEyLTA2VDIw
OjA2OjU0KzAwOjAwbPBJRU5EACV0RVh0ZGF0ZTptb2RpZnkAMjAyNi0xMi0wNlQyMDowNjo1NCswMDowMB2tTgAAAAAASUVO
RK5CYII=
B64
# A TIFF whose bits per sample times samples per pixel overflows 32 bits.
base64 -d > crash-ubsan-tiff-bits.tif <<'B64'
SUkqACwAAAB42vvPgB2cYTDGKj6TIQ2reBpQdBswBpqEHfzHKicAKkkF+wAQAAABAwABAAAACAAAAAEBAwABAAAABgAAAAIB
AwADAAAA8gAAAAMBAwABAAAACAAAAAYBAwABAAAAAAAKAAoBAwABAAAAAQAAABEBBAABAAAACAAAABIBAwABAAAAAQAAABUB
AwABAAAAAwD2/xUBA//Y//////8PERcBBAABAAAAIwAAABwBAwABAAAAAQAAACkBAwACAAAAAAABAD0BAwABAAAAAgAAAD4B
BQACAAAAKAEAAD8BBQAGAElEQVQAAAAAAAAIAAgACACF61EAAAAAAs3MTAAAAAABzcxMAAAAgADNzEwAAAAAAo/C9QAAAAAQ
ORqgAAAAAAIrhwoAAAAgAA==
B64
# Text and profile chunks that inflate to 128 and 16 MB.
python3 - <<'PY'
import struct, zlib
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
def zeros(mib):
    z = zlib.compressobj(9)
    return b''.join(z.compress(bytes(1 << 20)) for _ in range(mib)) + z.flush()
def png(extra):
    rows = (b'\0' + b'\xff\0\0' * 8) * 6
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 8, 6, 8, 2, 0, 0, 0)) +
            extra + chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b''))
for name, kind, head, mib in [('ztxt', b'zTXt', b'Comment\0\0', 128),
                              ('itxt', b'iTXt', b'Comment\0\1\0\0\0', 16),
                              ('iccp', b'iCCP', b'icc\0\0', 16)]:
    open('crash-bomb-%s.png' % name, 'wb').write(png(chunk(kind, head + zeros(mib))))
PY
