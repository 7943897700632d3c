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

# Everything but the sources (this script, make-cmyk.c, tall.py, test.icc and the
# .xmp packets) is made anew.
rm -f ./*.bmp ./*.jpg ./*.png ./*.webp ./*.heic ./*.avif

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

# Orientation: the picture stored turned, with the Exif tag that turns it
# back. The JPEGs are turned losslessly and keep their JFIF marker first.
for turn in "3 180" "6 270" "8 90"; do
  set -- $turn
  jpegtran -copy none -rotate "$2" jfif.jpg > "$work/turned.jpg"
  exiftool -q -Orientation#="$1" -o orient"$1".jpg "$work/turned.jpg"
done
im picture.bmp -strip -rotate 270 PNG24:"$work/turned.png"
exiftool -q -Orientation#=6 -o orient6.png "$work/turned.png"
im picture.bmp -strip -rotate 90 PNG24:"$work/turned8.png"
cwebp -quiet -lossless "$work/turned8.png" -o "$work/turned8.webp"
exiftool -q -exif -b orient8.jpg > "$work/orient8.exif"   # exiftool cannot write WebP
webpmux -set exif "$work/orient8.exif" "$work/turned8.webp" -o orient8.webp >/dev/null 2>&1

# Photo Sphere: a band of the full circle, an off-centre crop in both XMP
# forms (elements as exiftool writes them, attributes as cameras do), and
# a crop whose fields contradict each other. Each reference is the full
# panorama with everything outside the picture black.
gpano() {  # FILE-IN FILE-OUT FULLW FULLH CROPW CROPH LEFT TOP [more tags]
  local in=$1 out=$2
  shift 2
  exiftool -q -XMP-GPano:ProjectionType=equirectangular \
    -XMP-GPano:FullPanoWidthPixels="$1" -XMP-GPano:FullPanoHeightPixels="$2" \
    -XMP-GPano:CroppedAreaImageWidthPixels="$3" -XMP-GPano:CroppedAreaImageHeightPixels="$4" \
    -XMP-GPano:CroppedAreaLeftPixels="$5" -XMP-GPano:CroppedAreaTopPixels="$6" "${@:7}" \
    -o "$out" "$in"
}
outside_black() {  # GEOMETRY OUT: picture.bmp with all but GEOMETRY black
  im -size 96x48 xc:black \( picture.bmp -crop "$1" \) -geometry "+${1#*+}" -composite \
     -type TrueColor BMP3:"$2"
}
im picture.bmp -strip -crop 96x24+0+12 +repage PNG24:"$work/band.png"
gpano "$work/band.png" band.png 96 48 96 24 0 12
outside_black 96x24+0+12 band-ref.bmp
cp "$work/band.png" strip.png                                     # no metadata: a strip
im picture.bmp -strip -crop 48x24+8+6 +repage PNG24:"$work/crop.png"
gpano "$work/crop.png" crop.png 96 48 48 24 8 6
exiftool -q "-XMP<=gpano-attributes.xmp" -o crop-attributes.png "$work/crop.png"
im "$work/crop.png" -type TrueColor BMP3:"$work/crop.bmp"
cjpeg -quality 92 "$work/crop.bmp" > "$work/crop.jpg"
gpano "$work/crop.jpg" crop.jpg 96 48 48 24 8 6
outside_black 48x24+8+6 crop-ref.bmp
heif-enc -q 90 "$work/crop.png" -o "$work/crop.heic" >/dev/null
gpano "$work/crop.heic" crop.heic 96 48 48 24 8 6
cwebp -quiet -lossless "$work/crop.png" -o "$work/crop.webp"
webpmux -set xmp gpano-attributes.xmp "$work/crop.webp" -o crop.webp >/dev/null 2>&1
gpano picture.png contradicts.png 96 48 96 48 60 0                # crop past the full width
gpano picture.png view.png 96 48 96 48 0 0 -XMP-GPano:InitialViewHeadingDegrees=40 \
  -XMP-GPano:PoseHeadingDegrees=10 -XMP-GPano:InitialViewPitchDegrees=-12 \
  -XMP-GPano:InitialHorizontalFOVDegrees=75

# Larger than allowed: the picture at half size by ImageMagick's box filter
# (the mean of each 2 x 2 square), and a picture taller than the renderer
# takes, with a small BMP of the same gradient.
im picture.bmp -filter box -resize 50% -type TrueColor BMP3:half.bmp
python3 tall.py tall.png "$work/tall.ppm" tall-ref.bmp
cjpeg -quality 85 "$work/tall.ppm" > tall.jpg
im band-ref.bmp -filter box -resize 50% -type TrueColor BMP3:band-half.bmp
