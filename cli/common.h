#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/text.h"
#include "rom/romfile.h"
#include "rom/slotcodec.h"
#include "rom/supportedgames.h"

namespace cli {

enum Exit { kSuccess = 0, kFailure = 1, kUsage = 2 };

/// Where a command reads and writes: the process's streams in the program, string streams in tests.
/// A stream buffer reports a failed read or write by throwing std::system_error (see fdstream.h).
struct Io {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    rom::FileSystem& files;
};

/// Writes the text to io.out and flushes it; a failure (a full disk, a closed descriptor) is reported
/// with the system's reason and is a failed command.
Exit WriteOut(Io& io, std::string_view text);

/// A file name as messages show it: as given on the command line, escaped as Escaped does.
std::string Shown(const std::filesystem::path& path);

/// The core's reason for a failure in a sentence, without the file name.
std::string Describe(const rom::RomError& error);

/// Identifies the ROM as the editor does; on refusal reports why on err and returns nullptr. The ROM is
/// only read; ReadWrite refuses first a ROM that the command, which will write it, could not write.
const rom::SupportedGame* IdentifyOrRefuse(const std::filesystem::path& path, rom::Access access, Io& io);

/// A supported ROM's game and its whole table.
struct RomTable {
    const rom::SupportedGame& game;
    rom::EvolutionTable table;
};

/// Identifies the ROM and reads its whole table; on failure reports why and returns nullopt.
std::optional<RomTable> ReadRomTable(const std::filesystem::path& path, rom::Access access, Io& io);

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

/// "; did you mean "Pikachu" (25)?" for a name that names no row of the list: the rows whose text
/// equals it but for letter case, else up to three within two edits of it; "" when none is near.
std::string DidYouMeanRow(List list, std::string_view name);

/// What one column calls the list's values, for messages ("method", "level", ...).
std::string_view WhatOf(List list);

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

/// "Eevee (133) slot 2": how messages name a slot.
std::string SlotName(int species, int slot);

}  // namespace cli
