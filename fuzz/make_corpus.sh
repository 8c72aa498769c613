#!/usr/bin/env bash
# Writes the seed corpora of fuzz/corpus/ again: tiny files of the kinds the tests build, made
# with ImageMagick and libtiff's tiffcp, and a few PngSuite files. Run it from anywhere; it
# replaces the seeds (not the inputs a fuzz run added elsewhere).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CORPUS="$ROOT/fuzz/corpus"
SUITE="$ROOT/../shared/conformance/pngsuite/png"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

convert -size 7x5 gradient:red-blue -attenuate 0.4 +noise Uniform "$WORK/in.png"
convert -size 6x4 gradient:white-black "$WORK/grey.png"

mkdir -p "$CORPUS"/{bmp,png,jpeg,tiff,libtiff,version_file,redirection_file,metadata}

make() { convert "$1" -depth 8 "${@:3}" "$2"; }
make "$WORK/in.png" "BMP3:$CORPUS/bmp/v3-24.bmp"
make "$WORK/in.png" "BMP3:$CORPUS/bmp/v3-rle8.bmp" -type Palette -compress RLE
make "$WORK/in.png" "BMP2:$CORPUS/bmp/core-8.bmp" -type Palette
make "$WORK/in.png" "BMP3:$CORPUS/bmp/v3-4.bmp" -colors 4 -type Palette
make "$WORK/in.png" "BMP3:$CORPUS/bmp/v3-1.bmp" -monochrome
make "$WORK/in.png" "BMP:$CORPUS/bmp/v5-565.bmp" -define bmp:subtype=RGB565
make "$WORK/in.png" "BMP:$CORPUS/bmp/v5-8888.bmp" -define bmp:subtype=ARGB8888

make "$WORK/in.png" "$CORPUS/jpeg/baseline.jpg" -quality 50
make "$WORK/in.png" "$CORPUS/jpeg/progressive.jpg" -interlace JPEG
make "$WORK/grey.png" "$CORPUS/jpeg/grey.jpg" -colorspace Gray
make "$WORK/in.png" "$CORPUS/jpeg/cmyk.jpg" -colorspace CMYK
make "$WORK/in.png" "$CORPUS/jpeg/subsampled.jpg" -sampling-factor 2x2 -define jpeg:restart-interval=1

make "$WORK/in.png" "$CORPUS/tiff/chunky.tif" -compress none
make "$WORK/in.png" "$CORPUS/tiff/big-endian.tif" -compress none -define tiff:endian=msb
make "$WORK/in.png" "$CORPUS/tiff/16-bit.tif" -compress none -depth 16
make "$WORK/in.png" "$CORPUS/tiff/rgba.tif" -compress none -alpha set
tiffcp -c none -p separate -r 2 "$CORPUS/tiff/chunky.tif" "$CORPUS/tiff/planar-strips.tif"
tiffcp -c lzw "$CORPUS/tiff/chunky.tif" "$CORPUS/tiff/lzw.tif"

# The files libtiff reads for the own reader: every compression, tiles, planes, depths, kinds.
LIBTIFF="$CORPUS/libtiff"
tiffcp -c zip:2 -r 2 "$CORPUS/tiff/chunky.tif" "$LIBTIFF/deflate-predictor.tif"
tiffcp -c lzw -p separate "$CORPUS/tiff/chunky.tif" "$LIBTIFF/lzw-planar.tif"
tiffcp -c packbits -t -w 16 -l 16 "$CORPUS/tiff/chunky.tif" "$LIBTIFF/packbits-tiled.tif"
tiffcp -c jpeg -r 16 "$CORPUS/tiff/chunky.tif" "$LIBTIFF/jpeg.tif"
tiffcp -c zip "$CORPUS/tiff/16-bit.tif" "$LIBTIFF/deflate-16-bit.tif"
make "$WORK/in.png" "$LIBTIFF/grey-lzw.tif" -colorspace Gray -compress lzw
make "$WORK/in.png" "$LIBTIFF/palette.tif" -colors 8 -type Palette -compress none
make "$WORK/in.png" "$LIBTIFF/bilevel-fax.tif" -monochrome -compress Group4

if [[ -d $SUITE ]]; then
  for name in basn2c08 basi0g01 basn3p04 tbrn2c08 basn6a16 basi4a08 s01n3p01 ctzn0g04 xcsn0g01; do
    cp "$SUITE/$name.png" "$CORPUS/png/"
  done
else
  echo "PngSuite not found at $SUITE: the png seeds are made with ImageMagick alone" >&2
fi
make "$WORK/in.png" "$CORPUS/png/interlaced.png" -interlace PNG

# The metadata copy's seeds: a byte for the input's kind (0 TIFF, 1 JPEG, 2 PNG) and one for the
# output's (0 PNG, 1 JPEG, 2 TIFF), then a tagged TIFF, or an EXIF block or an XMP packet.
make "$WORK/in.png" "$WORK/tagged.tif" -compress none
make "$WORK/in.png" "$WORK/tagged.jpg"
exiftool -q -overwrite_original -DateTimeOriginal='1987:07:14 10:30:00' -Make=Agfa \
  -XMP-dc:Title='At the sea' -IPTC:Keywords=grandma "$WORK/tagged.tif" "$WORK/tagged.jpg"
{ printf '\x00\x01'; cat "$WORK/tagged.tif"; } >"$CORPUS/metadata/tiff-to-jpeg"
{ printf '\x01\x02'; exiftool -b -Exif "$WORK/tagged.jpg"; } >"$CORPUS/metadata/jpeg-exif-to-tiff"
{ printf '\x02\x00'; exiftool -b -XMP "$WORK/tagged.tif"; } >"$CORPUS/metadata/png-xmp-to-png"

printf '1.14\r\nbrumel114.zip\r\nhttp://www.brumel.example/brumel114.zip\r\nVersion 1.14\r\nsharper previews\r\n' \
  >"$CORPUS/version_file/release.txt"
printf '  \r\n\r\n 2.5 x\r\nredirect\r\nhttp://mirror.example/bmversion.txt\r\n\x1a' \
  >"$CORPUS/version_file/redirect.txt"
printf 'http://mirror.example/bmversion.txt' >"$CORPUS/redirection_file/plain.txt"
printf 'http://a.example/v.txt\r\nhttp://b.example/\n\x1a' >"$CORPUS/redirection_file/two-lines.txt"
