// The application runtime's pseudo-random generator, reproduced bit for bit:
// password files scrambled by the earlier Windows program were scrambled
// with its sequence, and can only be read back by drawing the same values.
//
// A 24-bit linear congruential state. Rnd(x) with x < 0 first replaces the
// state by one derived from x's single-precision bit pattern; any x != 0 then
// advances the state; x == 0 repeats the last value. Randomize(d) mixes the
// upper half of d's double-precision pattern into the middle 16 bits.
#pragma once

#include <cstdint>

namespace qlm {

class VbRandom {
public:
    // A fresh process starts here.
    static constexpr std::uint32_t kInitialState = 0x50000;

    // The next value, 0 <= r < 1, as the runtime's Rnd(x) gives it.
    float Rnd(float x = 1.0f);
    // Seeds as the runtime's Randomize statement does with a number.
    void Randomize(double seed);

    std::uint32_t State() const { return state_; }
    void SetState(std::uint32_t state) { state_ = state & 0xFFFFFF; }

private:
    std::uint32_t state_ = kInitialState;
};

// The process-wide generator, as the runtime keeps one per process.
VbRandom& ProcessRandom();

}  // namespace qlm
