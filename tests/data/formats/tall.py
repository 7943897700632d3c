# Authoring helper for make-pictures.sh: a picture taller than the renderer
# takes (ImageMagick's policy refuses 16400 rows), written by this script's
# own PNG and PPM writers: a 32 x 16400 gradient, red fading to blue down
# the picture and green growing across it, and the same gradient sampled
# at 32 x 512 as a 24-bit BMP to compare views with.
#   tall.py OUT.png OUT.ppm OUT-ref.bmp
import struct, sys, zlib

def rgb(x, y, w, h):
    return (round(255 * (h - 1 - y) / (h - 1)), round(255 * x / (w - 1)), round(255 * y / (h - 1)))

W, H = 32, 16400
rows = [bytes(c for x in range(W) for c in rgb(x, y, W, H)) for y in range(H)]

def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

with open(sys.argv[1], 'wb') as out:
    out.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', W, H, 8, 2, 0, 0, 0)) +
              chunk(b'IDAT', zlib.compress(b''.join(b'\0' + r for r in rows), 9)) +
              chunk(b'IEND', b''))
with open(sys.argv[2], 'wb') as out:
    out.write(b'P6\n%d %d\n255\n' % (W, H) + b''.join(rows))

w, h = 32, 512
pixels = b''.join(bytes(c for x in range(w) for c in reversed(rgb(x, y, w, h)))
                  for y in reversed(range(h)))
header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
with open(sys.argv[3], 'wb') as out:
    out.write(header + info + pixels)
