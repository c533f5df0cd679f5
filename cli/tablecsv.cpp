#include "cli/tablecsv.h"

#include <algorithm>
#include <charconv>

#include <csv.h>

namespace cli {
namespace {

void appendNumber(std::string& out, int value)
{
    char buffer[16];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end);
}

// RFC 4180 quoting, and also around leading or trailing spaces so that no reader trims them.
void appendField(std::string& out, std::string_view text)
{
    const bool quote = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' ' || text.front() == '\t' ||
                                          text.back() == '\t'));
    if (!quote) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void appendName(std::string& out, List list, int number)
{
    if (const std::string* name = NameOf(list, number))
        appendField(out, *name);
}

// Each record is handed on as soon as it ends, from buffers reused for the next one: storing every
// field of the file would cost more than parsing it.
struct Collector {
    const std::function<void(const CsvRecord&)>* onRecord;
    std::string bytes;
    std::vector<std::pair<std::size_t, std::size_t>> spans;  // (start, length) in bytes
    std::vector<std::string_view> fields;
    int startLine = 0;
    int currentLine = 0;
};

void onField(void* data, std::size_t length, void* self)
{
    auto& c = *static_cast<Collector*>(self);
    if (c.startLine == 0)
        c.startLine = c.currentLine;
    c.spans.emplace_back(c.bytes.size(), length);
    c.bytes.append(static_cast<const char*>(data), length);
}

void onRecordEnd(int, void* self)
{
    auto& c = *static_cast<Collector*>(self);
    c.fields.clear();
    for (const auto& [start, length] : c.spans)
        c.fields.emplace_back(c.bytes.data() + start, length);
    (*c.onRecord)(CsvRecord{c.startLine ? c.startLine : c.currentLine, c.fields});
    c.bytes.clear();
    c.spans.clear();
    c.startLine = 0;
}

int noSpaces(unsigned char)
{
    return 0;
}

}  // namespace

void AppendHeader(std::string& out)
{
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        if (i)
            out += ',';
        out += kColumns[i];
    }
    out += '\n';
}

void AppendLine(std::string& out, const SlotValues& v)
{
    appendNumber(out, v.species);
    out += ',';
    appendName(out, List::Species, v.species);
    out += ',';
    appendNumber(out, v.slot);
    out += ',';
    appendNumber(out, v.method);
    out += ',';
    appendName(out, List::Method, v.method);
    out += ',';
    const auto parameterList = ParameterList(rom::KindOf(v.method));
    if (v.parameter && parameterList) {
        appendNumber(out, *v.parameter);
        out += ',';
        appendName(out, *parameterList, *v.parameter);
    } else {
        out += ',';
    }
    out += ',';
    appendNumber(out, v.target);
    out += ',';
    appendName(out, List::Species, v.target);
    out += '\n';
}

bool ParseCsv(std::string_view text, const std::function<void(const CsvRecord&)>& onRecord, int& badLine,
              std::string& reason)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
        badLine = 1;
        reason = "out of memory";
        return false;
    }
    // The names' leading and trailing spaces are data.
    csv_set_space_func(&parser, noSpaces);
    Collector collector{&onRecord, {}, {}, {}, 0, 0};

    // Fed one line at a time so that each record knows the line it starts on.
    int line = 0;
    bool ok = true;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view piece = text.substr(0, end == std::string_view::npos ? text.size() : end + 1);
        text.remove_prefix(piece.size());
        collector.currentLine = ++line;
        if (collector.startLine == 0 && collector.spans.empty() && piece.front() != '\n' && piece.front() != '\r')
            collector.startLine = line;
        if (csv_parse(&parser, piece.data(), piece.size(), onField, onRecordEnd, &collector) != piece.size()) {
            ok = false;
            break;
        }
    }
    if (ok && csv_fini(&parser, onField, onRecordEnd, &collector) != 0)
        ok = false;
    if (!ok) {
        badLine = collector.startLine ? collector.startLine : line;
        reason = csv_error(&parser) == CSV_EPARSE ? "not CSV: a quote inside a field that is not quoted, or a quoted "
                                                    "field that is not closed"
                                                  : csv_strerror(csv_error(&parser));
    }
    csv_free(&parser);
    return ok;
}

}  // namespace cli
