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

bool isNameColumn(Column c)
{
    return c == kSpeciesName || c == kMethodName || c == kParameterName || c == kTargetName;
}

// One line being checked: its fields, where problems go, and whether any was found.
class LineCheck {
public:
    LineCheck(const CsvRecord& record, const ColumnMap& columns, LineRules& rules, Problems& problems)
        : m_record(record), m_columns(columns), m_rules(rules), m_problems(problems)
    {
    }

    std::string_view field(Column c) const
    {
        const int at = m_columns.at[c];
        if (at < 0 || (m_rules.ignoreNames && isNameColumn(c)))
            return {};
        return m_record.fields[static_cast<std::size_t>(at)];
    }

    void problem(const std::string& reason)
    {
        m_problems.add(m_record.line, reason);
        m_ok = false;
    }
    bool ok() const { return m_ok; }

    /// A number column's value; nullopt when it is empty or, with a problem, not a number.
    std::optional<int> number(Column c)
    {
        const std::string_view text = field(c);
        if (text.empty())
            return std::nullopt;
        const auto parsed = parseNumber(text);
        if (!parsed)
            problem(std::string(kTableColumns[c]) + " " + Quoted(text) + " is not a number");
        return parsed;
    }

    /// A value from its number column, its name column or both; nullopt (with a problem) when neither
    /// gives one, or when they disagree.
    std::optional<int> value(Column numberColumn, std::optional<Column> nameColumn, List list)
    {
        const std::string_view nameText = nameColumn ? field(*nameColumn) : std::string_view();
        if (!field(numberColumn).empty()) {
            const auto parsed = number(numberColumn);
            if (!parsed || nameText.empty())
                return parsed;
            const std::string* rowName = NameOf(list, *parsed);
            if (!rowName) {
                problem(std::string(what(numberColumn)) + " " + std::to_string(*parsed) + " has no row in the " +
                        std::string(WhatOf(list)) + " list, yet its name is given as " + Quoted(nameText));
                return std::nullopt;
            }
            if (!NamesRow(list, *parsed, nameText)) {
                // A script that edits only the numbers leaves every name behind: say once how to keep them.
                problem(std::string(what(numberColumn)) + " " + std::to_string(*parsed) + " is \"" + *rowName +
                        "\", not " + Quoted(nameText) + ": correct one of them, or empty the name cell" +
                        (std::exchange(m_rules.mismatchHinted, true)
                             ? ""
                             : ", or import with --ignore-names to take the numbers"));
                return std::nullopt;
            }
            return parsed;
        }
        if (nameText.empty())
            return std::nullopt;
        auto row = RowNamed(list, nameText);
        if (!row) {
            const bool several = row.error().find(" names rows ") != std::string::npos;
            problem(row.error() +
                    (several ? ": give the number in the " + std::string(kTableColumns[numberColumn]) + " column" : ""));
            return std::nullopt;
        }
        return *row;
    }

    bool given(Column number, std::optional<Column> name) const
    {
        return !field(number).empty() || (name && !field(*name).empty());
    }

private:
    // What messages call a value: its number column's name.
    static std::string_view what(Column c) { return kTableColumns[c]; }

    const CsvRecord& m_record;
    const ColumnMap& m_columns;
    LineRules& m_rules;
    Problems& m_problems;
    bool m_ok = true;
};

// The method, parameter and target of one side of a line, with the rules every slot's values keep: a
// method that takes a parameter needs one, and one that takes none takes none.
struct Side {
    Column method;
    std::optional<Column> methodName;
    Column parameter;
    std::optional<Column> parameterName;
    Column target;
    std::optional<Column> targetName;
};

std::optional<SlotValues> readSide(LineCheck& line, const Side& side, SlotValues values)
{
    const auto method = line.value(side.method, side.methodName, List::Method);
    if (!method) {
        if (line.ok())
            line.problem(std::string(kTableColumns[side.method]) + " missing");
    } else {
        values.method = *method;
        const auto parameterList = ParameterList(rom::KindOf(*method));
        const std::string named(kTableColumns[side.method]);
        if (!parameterList) {
            if (line.given(side.parameter, side.parameterName))
                line.problem(named + " " + Named(List::Method, *method, Form::NumberName) + " takes no parameter");
        } else if (const auto parameter = line.value(side.parameter, side.parameterName, *parameterList)) {
            values.parameter = *parameter;
        } else if (line.ok()) {
            line.problem(named + " " + Named(List::Method, *method, Form::NumberName) + " needs " +
                         AWhatOf(*parameterList) + " as its parameter");
        }
    }
    if (const auto target = line.value(side.target, side.targetName, List::Species))
        values.target = *target;
    else if (line.ok())
        line.problem(std::string(kTableColumns[side.target]) + " missing");
    if (!line.ok())
        return std::nullopt;
    return values;
}

}  // namespace

std::optional<CheckedLine> CheckLine(const CsvRecord& record, const ColumnMap& columns, LineRules& rules,
                                     Problems& problems)
{
    LineCheck line(record, columns, rules, problems);
    const auto species = line.value(kSpecies, kSpeciesName, List::Species);
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

    const SlotValues blank{*species, *slot, 0, std::nullopt, 0};
    const auto values = readSide(line, {kMethod, kMethodName, kParameter, kParameterName, kTarget, kTargetName}, blank);
    std::optional<SlotValues> was;
    if (columns.changeSet()) {
        // Only numbers: the was columns have no names. A method with no row may have been there.
        was = readSide(line, {kWasMethod, std::nullopt, kWasParameter, std::nullopt, kWasTarget, std::nullopt}, blank);
    }
    if (!line.ok())
        return std::nullopt;
    return CheckedLine{*rom::SlotAddress::Of(*species - 1, *slot), *values, was};  // in range: checked above
}

}  // namespace cli
