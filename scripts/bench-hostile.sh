#!/usr/bin/env bash
# Time and peak memory of hostile files, each made here, through
# skyweave-render (and skyweave-pan pack for the WebP), and of a flood of
# settings through `skyweave /a`. Each should end within 2 s with its
# message or a picture, under 600 MiB peak.
#   - a lossless WebP of 28 bytes stating 16384 x 16384, and 16384 x 8192;
#   - a PNG whose compressed iTXt holds a 640 KiB XMP packet of 72,000
#     attributes;
#   - HEIF grids: 672 references to one tile (16384 x 10752), and an
#     overlay using that grid three times;
#   - a sparse 1.5 GiB file starting like a JPEG;
#   - a 60 MiB settings file of 6.4 million short keys.
# Usage: scripts/bench-hostile.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
render=$build/tools/skyweave-render
pan=$build/tools/skyweave-pan
saver=$build/src/app/skyweave
for tool in "$render" "$pan" "$saver"; do
  [ -x "$tool" ] || { echo "bench-hostile: $tool not found; build it first" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import struct, sys, zlib
work = sys.argv[1]

def webp(width, height):
    bits, used = bytearray(), 0
    def put(value, count):
        nonlocal used
        for i in range(count):
            if used % 8 == 0:
                bits.append(0)
            bits[-1] |= ((value >> i) & 1) << (used % 8)
            used += 1
    put(0x2f, 8); put(width - 1, 14); put(height - 1, 14); put(0, 1); put(0, 3)
    put(0, 1); put(0, 1); put(0, 1)
    for _ in range(5):
        put(1, 1); put(0, 1); put(0, 1); put(0, 1)
    payload = bytes(bits) + (b"\0" if len(bits) % 2 else b"")
    chunk = b"VP8L" + struct.pack("<I", len(bits)) + payload
    return b"RIFF" + struct.pack("<I", 4 + len(chunk)) + b"WEBP" + chunk

open(f"{work}/square.webp", "wb").write(webp(16384, 16384))
open(f"{work}/wide.webp", "wb").write(webp(16384, 8192))

def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
xmp = ("<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
       "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
       "xmlns:GPano='http://ns.google.com/photos/1.0/panorama/' GPano:FullPanoWidthPixels='512'"
       + "".join(f" a{i}=''" for i in range(72000)) + "/></rdf:RDF></x:xmpmeta>").encode()
rows = b"".join(b"\0" + b"\x80" * 192 for _ in range(32))
png = (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 64, 32, 8, 2, 0, 0, 0))
       + png_chunk(b"iTXt", b"XML:com.adobe.xmp\0\1\0\0\0" + zlib.compress(xmp, 9))
       + png_chunk(b"IDAT", zlib.compress(rows)) + png_chunk(b"IEND", b""))
open(f"{work}/flood.png", "wb").write(png)

def box(kind, body):
    return struct.pack(">I", len(body) + 8) + kind + body
def heif(items, primary):
    iinf, iref, ipco, ipma = b"", b"", b"", b""
    for n, (item_id, kind, width, height, inputs) in enumerate(items, 1):
        iinf += box(b"infe", b"\2\0\0\0" + struct.pack(">HH", item_id, 0) + kind + b"\0")
        if inputs:
            iref += box(b"dimg", struct.pack(">HH", item_id, len(inputs))
                        + b"".join(struct.pack(">H", i) for i in inputs))
        ipco += box(b"ispe", b"\0\0\0\0" + struct.pack(">II", width, height))
        ipma += struct.pack(">HBB", item_id, 1, 0x80 | n)
    meta = (b"\0\0\0\0" + box(b"hdlr", b"\0" * 8 + b"pict" + b"\0" * 13)
            + box(b"pitm", b"\0\0\0\0" + struct.pack(">H", primary))
            + box(b"iinf", b"\0\0\0\0" + struct.pack(">H", len(items)) + iinf)
            + box(b"iref", b"\0\0\0\0" + iref)
            + box(b"iprp", box(b"ipco", ipco) + box(b"ipma", b"\0\0\0\0" + struct.pack(">I", len(items)) + ipma)))
    return box(b"ftyp", b"heic\0\0\0\0mif1heic") + box(b"meta", meta)
tile = (1, b"hvc1", 512, 512, [])
grid = (2, b"grid", 16384, 10752, [1] * 672)
open(f"{work}/grid.heic", "wb").write(heif([tile, grid], 2))
open(f"{work}/overlay.heic", "wb").write(heif([tile, grid, (3, b"iovl", 16384, 10752, [2, 2, 2])], 3))

with open(f"{work}/huge.jpg", "wb") as f:
    f.write(b"\xff\xd8\xff\xe0")
    f.truncate(3 << 29)

mkdir = __import__("os").makedirs
mkdir(f"{work}/config/Corvane")
with open(f"{work}/config/Corvane/skyweave.conf", "w") as f:
    f.write("[Settings]\n")
    for i in range(6_400_000):
        f.write(f"k{i}=1\n")
PY

measure() {  # measure LABEL COMMAND...
  local label=$1; shift
  local status=0
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || status=$?
  read -r seconds kib < <(tail -n 1 "$work/time")
  printf '%-38s %6.2f s %7.1f MiB  exit %d  %s\n' "$label" "$seconds" "$(bc -l <<<"$kib / 1024")" \
    "$status" "$(head -c 100 "$work/err" | tr '\n' ' ')"
}

for file in square.webp wide.webp flood.png grid.heic overlay.heic huge.jpg; do
  measure "skyweave-render $file" "$render" "$work/$file" -o "$work/out.png" --size 320x240
done
measure "skyweave-pan pack square.webp" "$pan" pack -o "$work/out.pan" --image "$work/square.webp"
measure "skyweave /a with 60 MiB of settings" env XDG_CONFIG_HOME="$work/config" "$saver" /a /x.pan
