#include "cli/tableline.h"

#include <charconv>

#include "cli/text.h"
#include "rom/methods.h"

namespace cli {
namespace {

std::optional<int> parseNumber(std::string_view text)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// One line being checked: its fields, where problems go, and whether any was found.
class LineCheck {
public:
    LineCheck(const CsvRecord& record, const ColumnMap& columns, Problems& problems)
        : m_record(record), m_columns(columns), m_problems(problems)
    {
    }

    std::string_view field(Column c) const
    {
        const int at = m_columns[c];
        return at < 0 ? std::string_view() : m_record.fields[static_cast<std::size_t>(at)];
    }

    void problem(const std::string& reason)
    {
        m_problems.add(m_record.line, reason);
        m_ok = false;
    }
    bool ok() const { return m_ok; }

    /// A value from its number column, its name column or both; nullopt (with a problem) when neither
    /// gives one, or when they disagree.
    std::optional<int> value(Column number, Column name, List list, std::string_view what)
    {
        const std::string_view numberText = field(number);
        const std::string_view nameText = field(name);
        if (!numberText.empty()) {
            const auto parsed = parseNumber(numberText);
            if (!parsed) {
                problem(std::string(what) + " " + Quoted(numberText) + " is not a number");
                return std::nullopt;
            }
            if (!nameText.empty()) {
                const std::string* rowName = NameOf(list, *parsed);
                if (!rowName) {
                    problem(std::string(what) + " " + std::to_string(*parsed) + " has no row in the " +
                            std::string(WhatOf(list)) + " list, yet its name is given as " + Quoted(nameText));
                    return std::nullopt;
                }
                if (!NamesRow(list, *parsed, nameText)) {
                    problem(std::string(what) + " " + std::to_string(*parsed) + " is \"" + *rowName + "\", not " +
                            Quoted(nameText) + ": correct one of them, or empty the name cell");
                    return std::nullopt;
                }
            }
            return parsed;
        }
        if (nameText.empty())
            return std::nullopt;
        const auto rows = RowsNamed(list, nameText);
        if (rows.empty()) {
            // Names within two edits of a number are other numbers, not what was meant.
            problem("no " + std::string(WhatOf(list)) + " is named " + Quoted(nameText) +
                    (list == List::Level ? std::string(": a level is named by its number, 0 to 100")
                                         : DidYouMeanRow(list, nameText)));
            return std::nullopt;
        }
        if (rows.size() > 1) {
            std::string which;
            for (const int r : rows)
                which += (which.empty() ? "" : ", ") + std::to_string(r);
            problem(std::string(WhatOf(list)) + " name " + Quoted(nameText) + " names rows " + which +
                    ": give the number in the " + std::string(kColumns[number]) + " column");
            return std::nullopt;
        }
        return rows[0];
    }

    bool given(Column number, Column name) const { return !field(number).empty() || !field(name).empty(); }

private:
    const CsvRecord& m_record;
    const ColumnMap& m_columns;
    Problems& m_problems;
    bool m_ok = true;
};

}  // namespace

std::optional<CheckedLine> CheckLine(const CsvRecord& record, const ColumnMap& columns,
                                     const rom::EvolutionTable& table, Problems& problems)
{
    LineCheck line(record, columns, problems);
    const auto species = line.value(kSpecies, kSpeciesName, List::Species, "species");
    const auto slotText = line.field(kSlot);
    const auto slot = parseNumber(slotText);
    if (species && (*species < 1 || *species > rom::kSpeciesRows))
        line.problem("species " + std::to_string(*species) + " is outside 1-649");
    else if (!species && line.ok())
        line.problem("species missing");
    if (slotText.empty())
        line.problem("slot missing");
    else if (!slot)
        line.problem("slot " + Quoted(slotText) + " is not a number");
    else if (*slot < 1 || *slot > rom::EvolutionRecord::kSlots)
        line.problem("slot " + std::to_string(*slot) + " is outside 1-7");
    if (!line.ok())
        return std::nullopt;

    const rom::SlotAddress address = *rom::SlotAddress::Of(*species - 1, *slot);  // in range: checked above
    const rom::SlotBytes current = table.slot(address);
    const SlotValues now = ValuesOf(address, current);
    SlotValues values{*species, *slot, 0, std::nullopt, 0};

    // A number with no row cannot be chosen in the editor: it may only stay as it is stored.
    auto unlistedUnchanged = [&](List list, std::string_view what, int value, std::optional<int> stored) {
        if (NameOf(list, value))
            return true;
        if (stored == value)
            return true;
        line.problem(std::string(what) + " " + std::to_string(value) + " has no row in the " +
                     std::string(WhatOf(list)) + " list and differs from the stored " +
                     (stored ? std::to_string(*stored) : std::string("value")));
        return false;
    };

    const auto method = line.value(kMethod, kMethodName, List::Method, "method");
    if (!method) {
        if (line.ok())
            line.problem("method missing");
    } else if (unlistedUnchanged(List::Method, "method", *method, now.method)) {
        values.method = *method;
        const rom::ParamKind kind = rom::KindOf(*method);
        const auto parameterList = ParameterList(kind);
        if (!parameterList) {
            if (line.given(kParameter, kParameterName))
                line.problem("method " + Named(List::Method, *method, Form::NumberName) + " takes no parameter");
        } else if (const auto parameter =
                       line.value(kParameter, kParameterName, *parameterList, "parameter")) {
            // What reading the slot's parameter with this method's width gives now.
            rom::SlotBytes asRead = current;
            asRead[0] = static_cast<std::uint8_t>(*method);
            if (unlistedUnchanged(*parameterList, "parameter", *parameter, rom::DecodeSlot(asRead).parameter))
                values.parameter = *parameter;
        } else if (line.ok()) {
            line.problem("method " + Named(List::Method, *method, Form::NumberName) + " needs a " +
                         std::string(WhatOf(*parameterList)) + " as its parameter");
        }
    }

    const auto target = line.value(kTarget, kTargetName, List::Species, "target");
    if (!target) {
        if (line.ok())
            line.problem("target missing");
    } else if (unlistedUnchanged(List::Species, "target", *target, now.target)) {
        values.target = *target;
    }
    if (!line.ok())
        return std::nullopt;

    // As the editor's Save: listed values are written, unlisted ones (left alone) keep their words.
    rom::SlotWrite write;
    if (NameOf(List::Method, values.method)) {
        write.method = values.method;
        write.kind = rom::KindOf(values.method);
        if (values.parameter && NameOf(*ParameterList(write.kind), *values.parameter))
            write.parameter = values.parameter;
    }
    if (NameOf(List::Species, values.target))
        write.target = values.target;
    return CheckedLine{address, values, write};
}


}  // namespace cli
