#pragma once
// A tiny xorshift generator: a fixed seed gives the same grain and the same noise on
// every build, so the generated files never change without a change of the code.
#include <cstdint>

class Noise {
public:
    explicit Noise(std::uint32_t seed) : state(seed) {}

    // A value in [-1, 1).
    double next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state / 2147483648.0 - 1.0;
    }

    double between(double low, double high) { return low + (high - low) * (next() + 1.0) / 2.0; }

private:
    std::uint32_t state;
};
