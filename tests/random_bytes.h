// Bytes that do not compress, the same for the same seed: test content for cabinets
// and resources.
#pragma once

#include <cstddef>
#include <random>
#include <string>

inline std::string RandomBytes(std::size_t Size, unsigned Seed) {
    std::mt19937 rng(Seed);
    std::string s(Size, '\0');
    for (char& c : s)
        c = static_cast<char>(rng());
    return s;
}
