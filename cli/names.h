#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "rom/methods.h"
#include "rom/result.h"
#include "rom/slotaddress.h"
#include "rom/slotcodec.h"

namespace cli {

/// The five lists a slot's numbers are rows of.
enum class List { Method, Level, Item, Species, Move };

/// The list a parameter of this kind is a row of; nullopt for None and Constant.
std::optional<List> ParameterList(rom::ParamKind kind);

/// The row's text in UTF-8, or nullptr when the number has no row.
const std::string* NameOf(List list, int number);

/// Every row's text in UTF-8, in row order.
std::span<const std::string> NamesOf(List list);

/// Every row this UTF-8 name names, in row order: those whose text it is exactly, and for a level
/// the one whose number it is, leading zeros aside ("7", "07" and "007" name level 7).
std::span<const int> RowsNamed(List list, std::string_view name);

/// Whether the name names this row, as RowsNamed tells.
bool NamesRow(List list, int row, std::string_view name);

/// The one row a UTF-8 name names in the list, or why there is none: it names no row (with near names
/// suggested), or it names several (the message lists them).
rom::Result<int, std::string> RowNamed(List list, std::string_view name);

/// "; did you mean "Pikachu" (25)?" for a name that names no row of the list: the rows whose text
/// equals it but for letter case, else up to three within two edits of it; "" when none is near.
std::string DidYouMeanRow(List list, std::string_view name);

/// What one column calls the list's values, for messages ("method", "level", ...).
std::string_view WhatOf(List list);

/// The same with its article: "a level", "an item".
std::string AWhatOf(List list);

/// How text writes a number of a list; a number with no row falls back alike in every form.
enum class Form {
    NameNumber,    // "Eevee (133)", "Level Up (4)"; "no row (700)"
    NumberName,    // "4 (Level Up)"; "700 (no row)"
    NumberQuoted,  // "4 \"Level Up\"", where a name's spaces must show; "700 (no row)"
    Name,          // "Level Up"; "species 700 (no row)"
};

/// The number in that form.
std::string Named(List list, int number, Form form = Form::NameNumber);

/// A species as a command line names it: by number 1-649 or by name in any letter case; when it names
/// none, the problem, with near names.
rom::Result<int, std::string> FindSpecies(const std::string& text);

/// The values of one slot as the editor reads them, with its address.
struct SlotValues {
    int species = 0;  // 1 to 649
    int slot = 0;     // 1 to 7
    int method = 0;
    std::optional<int> parameter;
    int target = 0;
    bool operator==(const SlotValues&) const = default;
};

/// The values the editor shows for these stored bytes of this slot.
SlotValues ValuesOf(rom::SlotAddress address, const rom::SlotBytes& bytes);

/// "Item (Evo Stones), Thunderstone, into Raichu", or "empty": a slot's values by name, for readers.
std::string SlotSummary(const SlotValues& values);

/// "Eevee (133) slot 2": how messages name a slot.
std::string SlotName(int species, int slot);
std::string SlotName(rom::SlotAddress address);

}  // namespace cli
