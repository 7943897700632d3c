// PackedDib accessors. Every size is computed in size_t with overflow checks,
// because headers come from files and may claim anything.
#include "image/packed_dib.h"

#include <algorithm>
#include <limits>

#include "image/depth_code.h"

namespace skyweave {
namespace {

constexpr std::size_t kSizeMax = std::numeric_limits<std::size_t>::max();

// |value| as size_t; INT32_MIN is representable here.
std::size_t Magnitude(std::int32_t value) {
    return value < 0 ? static_cast<std::size_t>(-static_cast<std::int64_t>(value))
                     : static_cast<std::size_t>(value);
}

// a * b, or 0 when it overflows.
std::size_t CheckedMul(std::size_t a, std::size_t b) {
    std::size_t product = 0;
    if (__builtin_mul_overflow(a, b, &product)) {
        return 0;
    }
    return product;
}

std::size_t RowBytesOf(const BitmapInfoHeader& h) {
    return CheckedMul(Magnitude(h.biWidth), static_cast<std::size_t>(h.biBitCount / 8));
}

std::size_t PixelBytesOf(const BitmapInfoHeader& h) {
    return CheckedMul(RowBytesOf(h), Magnitude(h.biHeight));
}

}  // namespace

std::size_t ColorAreaSizeOf(const BitmapInfoHeader& h) {
    if (h.biBitCount == 8 && h.biClrUsed == 0) {
        return 1024;
    }
    // Bit-field pictures read from files often count their masks as 0 entries
    // yet carry them; the masks always occupy 12 bytes.
    if (h.biCompression == kBiBitfields && h.biClrUsed < 3) {
        return 12;
    }
    return CheckedMul(4, h.biClrUsed);
}

std::size_t PackedDibSize(const BitmapInfoHeader& h) {
    if (h.biWidth == 0 || h.biHeight == 0 || h.biBitCount < 8 || h.biBitCount % 8 != 0) {
        return 0;
    }
    const std::size_t pixels = PixelBytesOf(h);
    const std::size_t colors = ColorAreaSizeOf(h);
    // No picture has more than 256 colours; a larger count is a lie that
    // would otherwise have Create allocate and clear gigabytes.
    if (pixels == 0 || colors > kMaxColorAreaSize ||
        pixels > kSizeMax - kBitmapHeaderSize - colors) {
        return 0;
    }
    return kBitmapHeaderSize + colors + pixels;
}

PackedDib PackedDib::Allocate(std::size_t size) {
    if (size < kBitmapHeaderSize) {
        return {};
    }
    return PackedDib(MemAlloc(size));
}

PackedDib PackedDib::Create(const BitmapInfoHeader& header) {
    const std::size_t size = PackedDibSize(header);
    if (size == 0 || header.biWidth < 0) {
        return {};
    }
    PackedDib dib = Allocate(size);
    if (!dib) {
        return {};
    }
    WriteBitmapHeader(dib.Bytes(), header);
    std::span<std::uint8_t> colors = dib.Bytes().subspan(kBitmapHeaderSize, dib.ColorAreaSize());
    std::fill(colors.begin(), colors.end(), std::uint8_t{0});
    if (header.biCompression == kBiBitfields && header.biBitCount == 16) {
        StoreU32(colors.subspan(0), kMask565Red);
        StoreU32(colors.subspan(4), kMask565Green);
        StoreU32(colors.subspan(8), kMask565Blue);
    }
    return dib;
}

// A null picture or a block too short for a header reads as an all-zero
// header (and so as a picture without pixels) and ignores writes.
BitmapInfoHeader PackedDib::Header() const {
    if (size() < kBitmapHeaderSize) {
        BitmapInfoHeader none;
        none.biSize = 0;
        none.biPlanes = 0;
        return none;
    }
    return ReadBitmapHeader(Bytes());
}

void PackedDib::SetHeader(const BitmapInfoHeader& header) {
    if (size() >= kBitmapHeaderSize) {
        WriteBitmapHeader(Bytes(), header);
    }
}

std::int32_t PackedDib::Width() const {
    return Header().biWidth;
}

std::int32_t PackedDib::Height() const {
    return Header().biHeight;
}

std::uint16_t PackedDib::BitCount() const {
    return Header().biBitCount;
}

std::uint32_t PackedDib::Compression() const {
    return Header().biCompression;
}

std::uint32_t PackedDib::ClrUsed() const {
    return Header().biClrUsed;
}

int PackedDib::DepthCode() const {
    return DepthCodeOf(BitCount(), Compression());
}

int PackedDib::BytesPerPixel() const {
    return BytesPerPixelOf(BitCount());
}

std::size_t PackedDib::ColorAreaSize() const {
    return ColorAreaSizeOf(Header());
}

std::size_t PackedDib::PixelOffset() const {
    const std::size_t colors = ColorAreaSize();
    return colors > kSizeMax - kBitmapHeaderSize ? kSizeMax : kBitmapHeaderSize + colors;
}

std::size_t PackedDib::RowBytes() const {
    return RowBytesOf(Header());
}

std::size_t PackedDib::PixelBytes() const {
    return PixelBytesOf(Header());
}

bool PackedDib::PixelsFit() const {
    if (!block_ || size() < kBitmapHeaderSize) {
        return false;
    }
    const std::size_t total = PackedDibSize(Header());
    return total != 0 && total <= size();
}

std::span<std::uint8_t> PackedDib::Pixels() {
    if (!PixelsFit()) {
        return {};
    }
    return Bytes().subspan(PixelOffset(), PixelBytes());
}

std::span<const std::uint8_t> PackedDib::Pixels() const {
    if (!PixelsFit()) {
        return {};
    }
    return Bytes().subspan(PixelOffset(), PixelBytes());
}

std::span<const std::uint8_t> PackedDib::ColorTable() const {
    if (size() < kBitmapHeaderSize) {
        return {};
    }
    const std::size_t available = size() - kBitmapHeaderSize;
    const std::size_t colors = ColorAreaSize();
    return Bytes().subspan(kBitmapHeaderSize, colors < available ? colors : available);
}

}  // namespace skyweave
