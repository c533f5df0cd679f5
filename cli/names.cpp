#include "cli/names.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <numeric>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/suggest.h"
#include "cli/text.h"
#include "rom/namelists.h"

namespace cli {
namespace {

// Rows are Windows-1252 whose only non-ASCII byte is 0xE9; Latin-1 decoding gives the same text.
std::string toUtf8(std::string_view row)
{
    std::string out;
    out.reserve(row.size() + 2);
    for (const char c : row) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

struct NameIndex {
    std::vector<std::string> names;
    std::vector<std::u32string> folded;  // FoldedText of each name, for the suggestions
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    std::unordered_map<std::string, std::vector<int>, Hash, std::equal_to<>> rows;

    explicit NameIndex(std::span<const std::string_view> list)
    {
        names.reserve(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            names.push_back(toUtf8(list[i]));
            folded.push_back(FoldedText(names.back()));
            rows[names.back()].push_back(static_cast<int>(i));
        }
    }
};

const NameIndex& indexOf(List list)
{
    static const std::array<NameIndex, 5> indexes{
        NameIndex(rom::MethodNames), NameIndex(rom::LevelNames), NameIndex(rom::ItemNames),
        NameIndex(rom::SpeciesNames), NameIndex(rom::MoveNames)};
    return indexes[static_cast<std::size_t>(list)];
}

// Spreadsheets read a level's name ("07") as a number and write it back as one ("7"), so a level is
// also named by its number with any leading zeros: only digits, no sign, no space, no decimals.
std::optional<int> levelNumber(std::string_view text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    text.remove_prefix(std::min(text.find_first_not_of('0'), text.size()));
    if (text.size() > 3)  // past every row, and past what an int holds
        return std::nullopt;
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace

std::optional<List> ParameterList(rom::ParamKind kind)
{
    switch (kind) {
    case rom::ParamKind::Level: return List::Level;
    case rom::ParamKind::Item: return List::Item;
    case rom::ParamKind::Species: return List::Species;
    case rom::ParamKind::Move: return List::Move;
    case rom::ParamKind::None:
    case rom::ParamKind::Constant: break;
    }
    return std::nullopt;
}

const std::string* NameOf(List list, int number)
{
    const NameIndex& index = indexOf(list);
    if (number < 0 || static_cast<std::size_t>(number) >= index.names.size())
        return nullptr;
    return &index.names[static_cast<std::size_t>(number)];
}

std::span<const std::string> NamesOf(List list)
{
    return indexOf(list).names;
}

std::span<const int> RowsNamed(List list, std::string_view name)
{
    const NameIndex& index = indexOf(list);
    if (list == List::Level) {
        static const auto rows = [] {
            std::vector<int> all(NamesOf(List::Level).size());
            std::iota(all.begin(), all.end(), 0);
            return all;
        }();
        const auto level = levelNumber(name);
        if (!level || static_cast<std::size_t>(*level) >= rows.size())
            return {};
        return std::span<const int>(rows).subspan(static_cast<std::size_t>(*level), 1);
    }
    const auto found = index.rows.find(name);
    if (found == index.rows.end())
        return {};
    return found->second;
}

bool NamesRow(List list, int row, std::string_view name)
{
    if (list == List::Level)
        return levelNumber(name) == row && NameOf(list, row);
    const std::string* text = NameOf(list, row);
    return text && *text == name;
}

namespace {

std::string didYouMeanRow(List list, std::string_view name)
{
    // Every row is compared: folded once, when the list was indexed.
    const NameIndex& index = indexOf(list);
    const std::vector<std::string>& names = index.names;
    const std::u32string wanted = FoldedText(name);
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < names.size() && rows.size() < 3; ++i) {
        // As EqualIgnoringCase: folding keeps each character's length in bytes.
        if (names[i].size() == name.size() && index.folded[i] == wanted &&
            std::none_of(rows.begin(), rows.end(), [&](std::size_t r) { return names[r] == names[i]; }))
            rows.push_back(i);
    }
    // A name that differs only in letter case is surely the one meant: nothing further is offered.
    if (rows.empty())
        rows = Suggest(names, index.folded, name);
    std::vector<std::string> shown;
    for (const std::size_t i : rows)
        shown.push_back("\"" + names[i] + "\" (" + std::to_string(i) + ")");
    return DidYouMean(shown);
}

}  // namespace

std::string DidYouMeanRow(List list, std::string_view name)
{
    // A table that misspells a name mostly does so on many lines, and each answer measures every row:
    // answers are kept, up to a bound.
    thread_local std::unordered_map<std::string, std::string> answers;
    std::string key(1, static_cast<char>(list));
    key += name;
    if (const auto known = answers.find(key); known != answers.end())
        return known->second;
    if (answers.size() >= 1024)
        answers.clear();
    return answers.emplace(std::move(key), didYouMeanRow(list, name)).first->second;
}

rom::Result<int, std::string> RowNamed(List list, std::string_view name)
{
    const auto rows = RowsNamed(list, name);
    if (rows.size() == 1)
        return rows[0];
    if (rows.empty()) {
        // Names within two edits of a number are other numbers, not what was meant.
        return "no " + std::string(WhatOf(list)) + " is named " + Quoted(name) +
               (list == List::Level ? std::string(": a level is named by its number, 0 to 100")
                                    : DidYouMeanRow(list, name));
    }
    std::string which;
    for (const int r : rows)
        which += (which.empty() ? "" : ", ") + std::to_string(r);
    return std::string(WhatOf(list)) + " name " + Quoted(name) + " names rows " + which;
}

std::string_view WhatOf(List list)
{
    switch (list) {
    case List::Method: return "method";
    case List::Level: return "level";
    case List::Item: return "item";
    case List::Species: return "species";
    case List::Move: return "move";
    }
    return "";
}

std::string AWhatOf(List list)
{
    return (list == List::Item ? "an " : "a ") + std::string(WhatOf(list));
}

rom::Result<int, std::string> FindSpecies(const std::string& text)
{
    int number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec == std::errc() && end == text.data() + text.size()) {
        if (number < 1 || number > rom::kSpeciesRows)
            return "species " + text + " is outside 1-649";
        return number;
    }
    // Row 0, "None", is no species. No two species' names differ only in letter case.
    const auto names = NamesOf(List::Species).subspan(1);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (EqualIgnoringCase(names[i], text))
            return static_cast<int>(i) + 1;
    std::vector<std::string> shown;
    for (const std::size_t i : Suggest(names, text))
        shown.push_back("\"" + names[i] + "\" (" + std::to_string(i + 1) + ")");
    return "no species is named " + Quoted(text) + DidYouMean(shown);
}

SlotValues ValuesOf(rom::SlotAddress address, const rom::SlotBytes& bytes)
{
    const rom::EvolutionSlot read = rom::DecodeSlot(bytes);
    return {address.species(), address.slot(), read.method, read.parameter, read.target};
}

std::string Named(List list, int number, Form form)
{
    const std::string* name = NameOf(list, number);
    const std::string n = std::to_string(number);
    switch (form) {
    case Form::NameNumber: return (name ? *name : std::string("no row")) + " (" + n + ")";
    case Form::NumberName: return n + " (" + (name ? *name : std::string("no row")) + ")";
    case Form::NumberQuoted: return n + (name ? " \"" + *name + "\"" : std::string(" (no row)"));
    case Form::Name: break;
    }
    return name ? *name : std::string(WhatOf(list)) + " " + n + " (no row)";
}

std::string SlotSummary(const SlotValues& v)
{
    if (v.method == 0 && v.target == 0)
        return "empty";
    std::string text = Named(List::Method, v.method, Form::Name);
    const auto list = ParameterList(rom::KindOf(v.method));
    if (list && v.parameter)
        text += ", " + Named(*list, *v.parameter, Form::Name);
    return text + ", into " + Named(List::Species, v.target, Form::Name);
}

std::string SlotName(int species, int slot)
{
    return Named(List::Species, species) + " slot " + std::to_string(slot);
}

std::string SlotName(rom::SlotAddress address)
{
    return SlotName(address.species(), address.slot());
}

}  // namespace cli
