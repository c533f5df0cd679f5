#include "tools/sampleimage.h"

#include <array>
#include <cerrno>
#include <fstream>
#include <system_error>

#include "rom/slotcodec.h"

#include <fcntl.h>
#include <unistd.h>

namespace sample {
namespace {

// Methods by code, named for readability of the table below.
enum : std::uint16_t {
    Happiness = 1,
    HappinessDay = 2,
    HappinessNight = 3,
    LevelUp = 4,
    Trade = 5,
    TradeWithItem = 6,
    SpecialTrade = 7,
    EvoStone = 8,
    AttackGreater = 9,
    AttackEqual = 10,
    AttackLess = 11,
    Shedinja = 14,
    WithMove = 21,
    WithPartyMember = 22,
    PinwheelForest = 26,
    TwistMountain = 27,
};

// Species by national number; rows of the table are number - 1.
constexpr int row(int species) { return species - 1; }

constexpr std::array kSlots{
    SampleSlot{{row(1), 1}, LevelUp, 16, 2},              // Bulbasaur -> Ivysaur at 16; slot 2 stays empty
    SampleSlot{{row(2), 1}, LevelUp, 32, 3},              // Ivysaur -> Venusaur at 32
    SampleSlot{{row(25), 1}, EvoStone, 83, 26},           // Pikachu -> Raichu with a Thunderstone
    SampleSlot{{row(172), 1}, Happiness, 0, 25},          // Pichu -> Pikachu by happiness
    SampleSlot{{row(133), 1}, EvoStone, 84, 134},         // Eevee -> Vaporeon, Water Stone
    SampleSlot{{row(133), 2}, EvoStone, 83, 135},         //       -> Jolteon, Thunderstone
    SampleSlot{{row(133), 3}, EvoStone, 82, 136},         //       -> Flareon, Fire Stone
    SampleSlot{{row(133), 4}, HappinessDay, 0, 196},      //       -> Espeon
    SampleSlot{{row(133), 5}, HappinessNight, 0, 197},    //       -> Umbreon
    SampleSlot{{row(133), 6}, PinwheelForest, 0, 470},    //       -> Leafeon
    SampleSlot{{row(133), 7}, TwistMountain, 0, 471},     //       -> Glaceon
    SampleSlot{{row(67), 1}, Trade, 0, 68},               // Machoke -> Machamp by trade
    SampleSlot{{row(95), 1}, TradeWithItem, 233, 208},    // Onix -> Steelix holding a Metal Coat
    SampleSlot{{row(117), 1}, TradeWithItem, 235, 230},   // Seadra -> Kingdra holding a Dragon Scale
    SampleSlot{{row(221), 1}, WithMove, 246, 473},        // Piloswine -> Mamoswine knowing AncientPower
    SampleSlot{{row(458), 1}, WithPartyMember, 223, 226}, // Mantyke -> Mantine with Remoraid in the party
    SampleSlot{{row(588), 1}, SpecialTrade, 0, 589},      // Karrablast -> Escavalier
    SampleSlot{{row(290), 1}, LevelUp, 20, 291},          // Nincada -> Ninjask at 20
    SampleSlot{{row(290), 2}, Shedinja, 20, 292},         //         -> Shedinja with a free party slot
    SampleSlot{{row(236), 1}, AttackGreater, 20, 106},    // Tyrogue -> Hitmonlee
    SampleSlot{{row(236), 2}, AttackLess, 20, 107},       //         -> Hitmonchan
    SampleSlot{{row(236), 3}, AttackEqual, 20, 237},      //         -> Hitmontop
};

}  // namespace

std::span<const SampleSlot> SampleSlots() { return kSlots; }

rom::Result<> CreateImage(const std::filesystem::path& path, const rom::GameCode& code, std::uint64_t size)
{
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!out)
            return rom::RomError{rom::ErrorKind::CannotOpen, "cannot create " + path.string()};
        if (size >= rom::kHeaderBytesNeeded) {
            out.seekp(static_cast<std::streamoff>(rom::kGameCodeOffset));
            out.write(code.data(), static_cast<std::streamsize>(code.size()));
        }
        if (!out.flush())
            return rom::RomError{rom::ErrorKind::WriteFailed, "cannot write " + path.string()};
    }
    std::error_code ec;
    // Extending with resize_file leaves a hole: a 512 MiB image costs a few KiB of disk.
    std::filesystem::resize_file(path, size, ec);
    if (ec)
        return rom::RomError{rom::ErrorKind::WriteFailed, ec.message()};
    return {};
}

rom::Result<> PutSlots(const std::filesystem::path& path, const rom::SupportedGame& game,
                       std::span<const SampleSlot> slots)
{
    std::fstream io(path, std::ios::in | std::ios::out | std::ios::binary);
    if (!io)
        return rom::RomError{rom::ErrorKind::CannotOpen, "cannot open " + path.string()};
    for (const SampleSlot& slot : slots) {
        const std::uint16_t words[3] = {slot.method, slot.parameter, slot.target};
        io.seekp(static_cast<std::streamoff>(rom::FieldOffset(game.tableBase, slot.address)));
        for (std::uint16_t w : words) {
            const char b[2] = {static_cast<char>(w & 0xFF), static_cast<char>(w >> 8)};
            io.write(b, 2);
        }
    }
    if (!io.flush())
        return rom::RomError{rom::ErrorKind::WriteFailed, "cannot write " + path.string()};
    return {};
}

rom::Result<> PutSlot(const std::filesystem::path& path, const rom::SupportedGame& game, const SampleSlot& slot)
{
    return PutSlots(path, game, {&slot, 1});
}

rom::Result<> WriteSampleImage(const std::filesystem::path& path, const rom::SupportedGame& game, bool replace,
                               std::span<const SampleSlot> slots)
{
    if (!replace) {
        // Claims the name in one step, so a file that appears meanwhile is not replaced either.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return rom::RomError{rom::ErrorKind::CannotOpen, errno == EEXIST
                                                                 ? "the file exists; use --force to replace it"
                                                                 : std::generic_category().message(errno)};
        ::close(fd);
    }
    if (auto created = CreateImage(path, game.code, game.cartridgeSize); !created)
        return created;
    return PutSlots(path, game, slots);
}

}  // namespace sample
