#include "platform/vbrandom.h"

#include <bit>

namespace qlm {

float VbRandom::Rnd(float x) {
    if (x < 0.0f) {
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(x);
        state_ = (bits + (bits >> 24)) & 0xFFFFFF;
    }
    if (x != 0.0f)
        state_ = (state_ * 0xFD43FDu + 0xC39EC3u) & 0xFFFFFF;
    // Exact: a 24-bit integer over 2^24 fits a float's mantissa.
    return static_cast<float>(state_) / 16777216.0f;
}

void VbRandom::Randomize(double seed) {
    const auto high = static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(seed) >> 32);
    const std::uint32_t mixed = ((high & 0xFFFF) << 8) ^ ((high >> 8) & 0xFFFF00);
    state_ = (mixed | (state_ & 0xFF0000FF)) & 0xFFFFFF;
}

VbRandom& ProcessRandom() {
    static VbRandom generator;
    return generator;
}

}  // namespace qlm
