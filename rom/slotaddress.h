#pragma once
// Where the evolution table's records and slots lie, counted from the table's first byte.

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "rom/result.h"

namespace rom {

inline constexpr int kSpeciesRows = 649;  // species 1 to 649, one record each

/// A species' record: seven slots, then two bytes that are never read or written.
struct EvolutionRecord {
    static constexpr int kSize = 44;
    static constexpr int kSlots = 7;
    static constexpr int kSlotSize = 6;
};

/// The whole table: 649 records, 4,543 slots.
inline constexpr std::uint64_t kTableBytes = std::uint64_t(kSpeciesRows) * EvolutionRecord::kSize;
inline constexpr int kTableSlots = kSpeciesRows * EvolutionRecord::kSlots;

/// A field's offset inside its slot.
enum class Field { Method = 0, Parameter = 2, Target = 4 };

class SlotRange;

/// One slot of the table: species row 0-648 (species 1-649) and slot 1-7. No other address can be made,
/// so an offset computed from one always lies inside the table.
class SlotAddress {
public:
    /// An address written in the code; one outside the table does not compile.
    consteval SlotAddress(int speciesRow, int slot) : m_index(checkedIndex(speciesRow, slot)) {}

    /// An address from numbers known only at run time; InvalidSlot outside the table.
    static Result<SlotAddress> Of(int speciesRow, int slot);
    /// Every slot of the table in table order: row 0 slot 1, row 0 slot 2, ..., row 648 slot 7.
    static SlotRange All();
    /// The seven slots of one row in order; none for a row outside the table.
    static SlotRange OfRow(int speciesRow);

    int speciesRow() const { return m_index / EvolutionRecord::kSlots; }
    int species() const { return speciesRow() + 1; }
    int slot() const { return m_index % EvolutionRecord::kSlots + 1; }
    /// 0 to 4542, in table order.
    int index() const { return m_index; }
    /// The field's offset from the table's first byte: 44 * row + 6 * (slot - 1) + field.
    std::uint64_t offset(Field field = Field::Method) const;

    bool operator==(const SlotAddress&) const = default;

private:
    friend class SlotRange;

    static constexpr bool valid(int speciesRow, int slot)
    {
        return speciesRow >= 0 && speciesRow < kSpeciesRows && slot >= 1 && slot <= EvolutionRecord::kSlots;
    }
    static constexpr int checkedIndex(int speciesRow, int slot)
    {
        if (!valid(speciesRow, slot))
            throw "a slot address outside the table";  // at compile time: not a constant expression
        return speciesRow * EvolutionRecord::kSlots + slot - 1;
    }
    struct Index {
        int value;
    };
    constexpr explicit SlotAddress(Index index) : m_index(static_cast<std::uint16_t>(index.value)) {}

    std::uint16_t m_index;
};

/// Addresses in table order, from a first to one past a last.
class SlotRange {
public:
    class iterator {
    public:
        using value_type = SlotAddress;
        using difference_type = std::ptrdiff_t;
        SlotAddress operator*() const { return SlotAddress(SlotAddress::Index{m_index}); }
        iterator& operator++()
        {
            ++m_index;
            return *this;
        }
        iterator operator++(int)
        {
            iterator before = *this;
            ++m_index;
            return before;
        }
        bool operator==(const iterator&) const = default;

    private:
        friend class SlotRange;
        int m_index = 0;
    };

    iterator begin() const { return at(m_first); }
    iterator end() const { return at(m_end); }

private:
    friend class SlotAddress;
    SlotRange(int first, int end) : m_first(first), m_end(end) {}
    static iterator at(int index)
    {
        iterator i;
        i.m_index = index;
        return i;
    }

    int m_first;
    int m_end;
};

/// Absolute offset of a field in a file whose table starts at base.
std::uint64_t FieldOffset(std::uint64_t base, SlotAddress address, Field field = Field::Method);

}  // namespace rom
