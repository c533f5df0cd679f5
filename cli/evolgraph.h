#pragma once
// The table's evolutions as a directed graph between species, for graph and check.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "rom/slotcodec.h"

namespace cli {

/// One slot whose method is not 0: the species evolves into target by method.
struct Evolution {
    int species = 0;  // 1 to 649
    int slot = 0;     // 1 to 7
    int method = 0;   // not 0
    std::optional<int> parameter;
    int target = 0;   // as read: may be 0, negative or past the list
};

/// Whether a number is a species one can evolve into (1-649), not "None" or a number with no row.
inline bool IsSpecies(int number)
{
    return number >= 1 && number <= rom::kSpeciesRows;
}

/// The table's evolutions in species, then slot order.
std::vector<Evolution> EvolutionsOf(const rom::EvolutionTable& table);

/// For each species number 1-649 (index 0 unused), the smallest species of its family: those joined by
/// evolutions into species, in either direction.
std::vector<int> FamilyOf(std::span<const Evolution> evolutions);

/// Two or more species that evolve into each other: a strongly connected group, and one cycle through it
/// from its smallest species back to that species (first number repeated at the end).
struct Loop {
    std::vector<int> members;  // ascending
    std::vector<int> cycle;
};

/// Every such group once, ordered by smallest species; an evolution into itself makes no group.
std::vector<Loop> LoopsOf(std::span<const Evolution> evolutions);

/// Appends the text as a DOT quoted string that Graphviz shows as the text itself, whatever it holds.
void AppendDotQuoted(std::string& out, std::string_view text);

}  // namespace cli
