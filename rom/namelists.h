#pragma once

#include <array>
#include <string_view>

#include "rom/slotaddress.h"

namespace rom {

// Fixed name lists: a row's position is the number stored in the game. Texts are single-byte
// Windows-1252 (the only non-ASCII byte is 0xE9, "é"); trailing spaces and repeated texts are data.
extern const std::array<std::string_view, kSpeciesRows + 1> SpeciesNames;  // row 0 "None", row n species n
extern const std::array<std::string_view, 560> MoveNames;     // row 0 "None", row n move n
extern const std::array<std::string_view, 627> ItemNames;     // row n item n
extern const std::array<std::string_view, 101> LevelNames;    // "00" to "100"

}  // namespace rom
