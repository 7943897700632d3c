#!/usr/bin/env bash
# Makes the pictures of tests/data/formats with independent encoders
# (ImageMagick, cjpeg, cwebp, heif-enc, exiftool, libjpeg through
# make-cmyk.c). Run once when the set changes and commit the results; the
# tests only read them. Needs: imagemagick libjpeg-turbo-progs webp
# libheif-examples libimage-exiftool-perl libjpeg62-turbo-dev.
#
# Every picture shows the same 96 x 48 scene (a sample panorama made
# small); picture.bmp is its lossless 24-bit reference. Pictures whose
# pixels differ from it (fewer colours, grey, alpha) come with a reference
# BMP of their own, made from them by ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
samples=../../../samples
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

im() { convert "$@"; }
bmp() { im "$1" -background black -flatten -type TrueColor BMP3:"$2"; }

im "$samples/city.jpg" -resize '96x48!' -type TrueColor BMP3:picture.bmp

# JPEG: JFIF, then streams whose first marker is not APP0.
cjpeg -quality 92 picture.bmp > jfif.jpg
cjpeg -quality 92 -progressive picture.bmp > progressive.jpg
cjpeg -quality 92 -arithmetic picture.bmp > arithmetic.jpg
exiftool -q -Orientation#=1 -o "$work/exif.jpg" jfif.jpg
exiftool -q -JFIF:all= -o exif-first.jpg "$work/exif.jpg"          # FF D8 FF E1
exiftool -q "-ICC_Profile<=test.icc" -JFIF:all= -o icc-first.jpg jfif.jpg  # FF D8 FF E2
exiftool -q -all= -o bare.jpg jfif.jpg                             # FF D8 FF DB
im picture.bmp -colorspace CMYK -quality 92 adobe-ycck.jpg         # FF D8 FF EE, YCCK
im picture.bmp -colorspace Gray -type TrueColor BMP3:"$work/grey.bmp"
cjpeg -quality 92 -grayscale picture.bmp > grey.jpg
bmp "$work/grey.bmp" grey-ref.bmp
cc -O2 -o "$work/make-cmyk" make-cmyk.c -ljpeg
im picture.bmp -colorspace CMYK -depth 8 CMYK:"$work/picture.cmyk"
"$work/make-cmyk" 96 48 cmyk < "$work/picture.cmyk" > cmyk.jpg     # Adobe marker, no transform

# PNG: every colour type and depth, interlacing, alpha.
im picture.bmp -strip PNG24:picture.png
im picture.bmp -strip -interlace PNG PNG24:interlaced.png
im picture.bmp -strip -colors 60 PNG8:palette.png
bmp palette.png palette-ref.bmp
for depth in 1 2 4 8 16; do
  im picture.bmp -strip -colorspace Gray -depth "$depth" PNG:grey"$depth".png
  bmp grey"$depth".png grey"$depth"-ref.bmp
done
im picture.bmp -strip \( -size 48x96 gradient: -rotate 90 \) -compose Multiply -composite \
   -depth 16 PNG48:rgb16.png
bmp rgb16.png rgb16-ref.bmp
im picture.bmp -strip \( -size 48x96 gradient:white-black -rotate 90 \) -alpha off \
   -compose CopyOpacity -composite PNG32:alpha.png
bmp alpha.png alpha-ref.bmp
im palette.png -strip -transparent "$(im palette.png -format '%[pixel:p{5,5}]' info:)" \
   PNG8:transparent.png
bmp transparent.png transparent-ref.bmp

# WebP and HEIF.
cwebp -quiet -lossless picture.png -o lossless.webp
cwebp -quiet -q 90 picture.png -o lossy.webp
cwebp -quiet -lossless -exact alpha.png -o alpha.webp
heif-enc -q 90 picture.png -o picture.heic >/dev/null
heif-enc -q 90 alpha.png -o alpha.heic >/dev/null
heif-enc -A -q 90 picture.png -o picture.avif >/dev/null
