#include "rom/slotaddress.h"

#include <string>

namespace rom {

Result<SlotAddress> SlotAddress::Of(int speciesRow, int slot)
{
    if (!valid(speciesRow, slot))
        return RomError{ErrorKind::InvalidSlot,
                        "species row " + std::to_string(speciesRow) + ", slot " + std::to_string(slot)};
    return SlotAddress(Index{speciesRow * EvolutionRecord::kSlots + slot - 1});
}

SlotRange SlotAddress::All()
{
    return {0, kTableSlots};
}

SlotRange SlotAddress::OfRow(int speciesRow)
{
    if (speciesRow < 0 || speciesRow >= kSpeciesRows)
        return {0, 0};
    return {speciesRow * EvolutionRecord::kSlots, (speciesRow + 1) * EvolutionRecord::kSlots};
}

std::uint64_t SlotAddress::offset(Field field) const
{
    // 44 * 648 fits the signed 16-bit product the table's addressing allows.
    const auto record = static_cast<std::int16_t>(EvolutionRecord::kSize * speciesRow());
    return static_cast<std::uint64_t>(record) + std::uint64_t(EvolutionRecord::kSlotSize) * (slot() - 1) +
           static_cast<std::uint64_t>(field);
}

std::uint64_t FieldOffset(std::uint64_t base, SlotAddress address, Field field)
{
    return base + address.offset(field);
}

}  // namespace rom
