// How many pixels the primary picture of a HEIF file asks libheif to decode,
// read from the file's boxes before libheif is asked for anything.
//
// A derived picture (a grid of tiles, an overlay of pictures, an identity
// turn of another) is made from the pictures it references, and one coded
// tile may be referenced hundreds of times, by grids that overlays reference
// again: a file of 2 KB can ask for billions of pixels. The area here counts
// every reference, so that the caller can refuse such a file before libheif
// builds any of it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace skyweave {

struct HeifItemArea {
    bool derived = false;  // the primary picture is a grid, overlay or identity
    // The pixels of every coded picture the primary one is made from, each
    // counted once per reference, plus those of every derived canvas on
    // the way; saturates at UINT64_MAX (a loop of references, or too deep).
    std::uint64_t pixels = 0;
};

// The area of the primary picture of the HEIF file `file`; nothing when its
// boxes cannot be read that far (libheif then says what is wrong).
std::optional<HeifItemArea> ReadHeifItemArea(std::span<const std::uint8_t> file);

}  // namespace skyweave
