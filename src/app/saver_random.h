// The saver's random number generator: the classic linear congruential
// generator with the range 0..32767 (state * 214013 + 2531011 modulo 2^32,
// result bits 16..30). Owned by the automatic motion of one saver window;
// its exact sequence matters because an unseeded saver must place its view
// rectangle identically on every run.
#pragma once

#include <cstdint>

namespace skyweave {

class SaverRandom {
  public:
    static constexpr int kMax = 32767;

    // seed: any 32-bit value, usually the current time in seconds. A
    // generator that was never seeded behaves as if seeded with 1.
    void Seed(std::uint32_t seed) { state_ = seed; }

    // Returns the next value in 0..kMax.
    int Next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

  private:
    std::uint32_t state_ = 1;
};

}  // namespace skyweave
