// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// SHA-256 (FIPS 180-4) of bytes given in pieces of any size, so that a file
// is hashed as it is read. Plain C++, so that every front end has it.
class Sha256 {
public:
    Sha256();
    void add(std::string_view bytes);
    // The digest of everything added, in lower-case hex. Ends the hash.
    std::string hex();

private:
    void compress(const unsigned char* block);

    std::array<std::uint32_t, 8> state;
    std::array<unsigned char, 64> pending{};
    std::size_t pendingBytes = 0;
    std::uint64_t totalBytes = 0;
};
