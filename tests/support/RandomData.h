// Seeded random sizes and bytes for tests that compare two implementations
// on many inputs (a failure names the seed, so it can be replayed).
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace inkvista::test {

using Random = std::mt19937;

inline uint32_t Between(Random& random, uint32_t low, uint32_t high) {
    return std::uniform_int_distribution<uint32_t>(low, high)(random);
}

inline std::vector<uint8_t> RandomBytes(size_t size, Random& random) {
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes) b = uint8_t(random());
    return bytes;
}

}  // namespace inkvista::test
