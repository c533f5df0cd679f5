#pragma once
// A table of every sort of slot, for the tests and the fuzz target alike. Header-only: the fuzz build
// links no test library.

#include <cstdint>
#include <random>
#include <vector>

#include "rom/slotaddress.h"

namespace testsupport {

/// Half the slots empty, a third listed values (a tenth of those with a stray high byte in the method
/// word), the rest random bytes; the two bytes after each record's seven slots random too.
inline std::vector<std::uint8_t> randomTable(std::mt19937& rng)
{
    std::vector<std::uint8_t> t(rom::kTableBytes);
    std::uniform_int_distribution<int> byte(0, 255), pick(0, 9);
    auto put = [&](std::size_t at, int value) {
        t[at] = static_cast<std::uint8_t>(value & 0xFF);
        t[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    };
    for (const rom::SlotAddress slot : rom::SlotAddress::All()) {
        const std::size_t at = slot.offset();
        if (slot.slot() == 1) {
            t[at + 42] = static_cast<std::uint8_t>(byte(rng));
            t[at + 43] = static_cast<std::uint8_t>(byte(rng));
        }
        const int kind = pick(rng);
        if (kind < 5)
            continue;
        if (kind < 8) {
            put(at, std::uniform_int_distribution<int>(0, 27)(rng) | (pick(rng) == 0 ? 0x100 : 0));
            put(at + 2, std::uniform_int_distribution<int>(0, 626)(rng));
            put(at + 4, std::uniform_int_distribution<int>(0, 649)(rng));
        } else {
            for (int i = 0; i < 6; ++i)
                t[at + std::size_t(i)] = static_cast<std::uint8_t>(byte(rng));
        }
    }
    return t;
}

}  // namespace testsupport
