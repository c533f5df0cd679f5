#include "cli/tablecsv.h"

#include <algorithm>
#include <memory>
#include <span>
#include <system_error>

#include <csv.h>

#include "cli/text.h"

namespace cli {
namespace {

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
    const std::function<bool(const CsvRecord&)>* onRecord;
    std::string bytes;
    std::vector<std::pair<std::size_t, std::size_t>> spans;  // (start, length) in bytes
    std::vector<std::string_view> fields;
    int startLine = 0;
    int currentLine = 0;
    int records = 0;
    bool stopped = false;      // no more records are handed on
    std::optional<CsvStop> stop;
    char separator = ',';

    int recordLine() const { return startLine ? startLine : currentLine; }
    void fail(int line, std::string reason)
    {
        stop = CsvStop{line, std::move(reason), false};
        stopped = true;
    }
};

// The first CR or LF, or npos: find_first_of calls memchr on its two-byte set for every byte.
std::size_t lineEnd(std::string_view data)
{
    for (std::size_t i = 0; i < data.size(); ++i)
        if (data[i] == '\n' || data[i] == '\r')
            return i;
    return std::string_view::npos;
}

// CR, LF and CRLF each end one line.
int lineEnds(std::string_view text)
{
    int ends = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        ends += text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
    return ends;
}

void onField(void* data, std::size_t length, void* self)
{
    auto& c = *static_cast<Collector*>(self);
    if (c.stopped)
        return;
    if (c.startLine == 0)
        c.startLine = c.currentLine;
    const std::string_view field(static_cast<const char*>(data), length);
    if (length > kMaxFieldBytes) {
        c.fail(c.recordLine(), "field " + Quoted(field) + " is longer than 1 KiB; stopped reading");
        return;
    }
    if (const auto bad = FirstBadUtf8(field)) {
        // Only a quoted field holds line ends: count them to name the line of the bad byte.
        c.fail(c.startLine + lineEnds(c.bytes) + lineEnds(field.substr(0, *bad)), "not CSV: not UTF-8 text");
        return;
    }
    c.spans.emplace_back(c.bytes.size(), length);
    c.bytes.append(field);
}

void onRecordEnd(int, void* self)
{
    auto& c = *static_cast<Collector*>(self);
    if (c.stopped)
        return;
    if (++c.records > kMaxRecords) {
        c.fail(c.recordLine(), "more than 100,000 records; stopped reading");
        return;
    }
    c.fields.clear();
    for (const auto& [start, length] : c.spans)
        c.fields.emplace_back(c.bytes.data() + start, length);
    if (!(*c.onRecord)(CsvRecord{c.recordLine(), c.fields, c.separator}))
        c.stopped = true;
    c.bytes.clear();
    c.spans.clear();
    c.startLine = 0;
}

// What the buffer holds or one read gives, at most size bytes; 0 at the end of the input.
std::size_t readSome(std::streambuf& in, char* to, std::size_t size)
{
    std::streamsize available = in.in_avail();
    if (available == 0) {
        if (std::streambuf::traits_type::eq_int_type(in.sgetc(), std::streambuf::traits_type::eof()))
            return 0;
        available = in.in_avail();
    }
    if (available <= 0)
        return 0;
    return static_cast<std::size_t>(in.sgetn(to, std::min(available, static_cast<std::streamsize>(size))));
}

int noSpaces(unsigned char)
{
    return 0;
}

bool startParser(csv_parser& parser, char separator)
{
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0)
        return false;
    // The names' leading and trailing spaces are data.
    csv_set_space_func(&parser, noSpaces);
    csv_set_delim(&parser, static_cast<unsigned char>(separator));
    return true;
}

// How many fields of the line are known columns when it is split at this separator, as the reader
// would split it.
int knownColumns(std::string_view line, char separator)
{
    csv_parser parser;
    if (!startParser(parser, separator))
        return 0;
    int known = 0;
    const auto count = [](void* data, std::size_t length, void* self) {
        const std::string_view field(static_cast<const char*>(data), length);
        if (std::find(kColumns.begin(), kColumns.end(), field) != kColumns.end())
            ++*static_cast<int*>(self);
    };
    if (csv_parse(&parser, line.data(), line.size(), count, nullptr, &known) != line.size() ||
        csv_fini(&parser, count, nullptr, &known) != 0)
        known = 0;
    csv_free(&parser);
    return known;
}

char separatorOf(std::string_view headerLine)
{
    char best = kSeparators[0];
    int most = 0;
    for (const char separator : kSeparators) {
        if (const int known = knownColumns(headerLine, separator); known > most) {
            best = separator;
            most = known;
        }
    }
    return best;
}

}  // namespace

void AppendHeader(std::string& out, bool changeSet)
{
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        if (i)
            out += ',';
        out += kColumns[i];
    }
    if (changeSet)
        for (const std::string_view column : kWasColumns)
            (out += ',') += column;
    out += '\n';
}

void AppendLine(std::string& out, const SlotValues& v, const SlotValues* was)
{
    AppendNumber(out, v.species);
    out += ',';
    appendName(out, List::Species, v.species);
    out += ',';
    AppendNumber(out, v.slot);
    out += ',';
    AppendNumber(out, v.method);
    out += ',';
    appendName(out, List::Method, v.method);
    out += ',';
    const auto parameterList = ParameterList(rom::KindOf(v.method));
    if (v.parameter && parameterList) {
        AppendNumber(out, *v.parameter);
        out += ',';
        appendName(out, *parameterList, *v.parameter);
    } else {
        out += ',';
    }
    out += ',';
    AppendNumber(out, v.target);
    out += ',';
    appendName(out, List::Species, v.target);
    if (was) {
        out += ',';
        AppendNumber(out, was->method);
        out += ',';
        if (was->parameter && ParameterList(rom::KindOf(was->method)))
            AppendNumber(out, *was->parameter);
        out += ',';
        AppendNumber(out, was->target);
    }
    out += '\n';
}

std::optional<CsvStop> ReadCsv(std::streambuf& in, const std::function<bool(const CsvRecord&)>& onRecord)
{
    Collector c{&onRecord, {}, {}, {}, 0, 0, 0, false, std::nullopt};
    csv_parser parser;
    bool started = false;
    bool malformed = false;
    try {
        // Not zeroed: only bytes read are looked at.
        const std::unique_ptr<char[]> buffer = std::make_unique_for_overwrite<char[]>(kMaxLineBytes);
        const std::span<char> chunk(buffer.get(), kMaxLineBytes);
        std::size_t have = 0;
        // The header line chooses the separator, and a byte-order mark may arrive in pieces: gather
        // the first line that is not blank whole (or the whole input, or as much as a line may hold).
        bool text = false, lineEnded = false;
        for (std::size_t n = 1; n > 0 && have < chunk.size() && !(lineEnded && have >= 3); have += n) {
            n = readSome(in, chunk.data() + have, chunk.size() - have);
            for (std::size_t i = have; i < have + n && !lineEnded; ++i) {
                const bool end = chunk[i] == '\r' || chunk[i] == '\n';
                const bool mark = i < 3 && chunk[i] == "\xEF\xBB\xBF"[i];
                lineEnded = end && text;
                text = text || (!end && !mark);
            }
        }
        std::string_view data(chunk.data(), have);
        if (data.starts_with("\xEF\xBB\xBF"))
            data.remove_prefix(3);
        const std::string_view header = data.substr(std::min(data.find_first_not_of("\r\n"), data.size()));
        const char separator = separatorOf(header.substr(0, header.find_first_of("\r\n")));
        if (!startParser(parser, separator))
            return CsvStop{1, "out of memory", false};
        started = true;
        c.separator = separator;

        // Fed one line at a time so that each record knows the line it starts on.
        int line = 1;                 // the line of the next byte, at most kMaxLines + 1
        std::size_t sinceRecord = 0;  // bytes fed since the last line end outside a quoted field
        bool quoted = false;          // inside a quoted field: strict CSV doubles every quote in one
        bool afterCr = false;         // the last piece ended with CR: an LF now ends the same line
        while (!c.stopped && !malformed) {
            while (!data.empty() && !c.stopped) {
                const std::size_t end = lineEnd(data);
                const std::string_view piece = data.substr(0, end == std::string_view::npos ? data.size() : end + 1);
                data.remove_prefix(piece.size());
                const bool crlf = afterCr && piece == "\n";
                afterCr = piece.back() == '\r';
                // Blank lines count too: endless ones are as endless as any.
                if (line > kMaxLines && !crlf) {
                    c.fail(line, "more than 1,000,000 lines; stopped reading");
                    break;
                }
                // Checked before libcsv sees the bytes: it keeps a field whole until the field ends.
                if (sinceRecord + piece.size() > kMaxLineBytes) {
                    c.fail(c.recordLine() ? c.recordLine() : line, "line longer than 64 KiB; stopped reading");
                    break;
                }
                c.currentLine = line;
                if (c.startLine == 0 && sinceRecord == 0 && piece.front() != '\n' && piece.front() != '\r')
                    c.startLine = line;
                if (csv_parse(&parser, piece.data(), piece.size(), onField, onRecordEnd, &c) != piece.size()) {
                    malformed = true;
                    break;
                }
                quoted ^= (std::count(piece.begin(), piece.end(), '"') & 1) != 0;
                const bool ended = piece.back() == '\n' || piece.back() == '\r';
                sinceRecord = ended && !quoted ? 0 : sinceRecord + piece.size();
                line += (piece.back() == '\n' && !crlf) || piece.back() == '\r';
            }
            if (c.stopped || malformed)
                break;
            const std::size_t n = readSome(in, chunk.data(), chunk.size());
            if (n == 0)
                break;
            data = std::string_view(chunk.data(), n);
        }
        if (!c.stopped && !malformed && csv_fini(&parser, onField, onRecordEnd, &c) != 0)
            malformed = true;
        if (malformed)
            c.stop = CsvStop{c.recordLine() ? c.recordLine() : line,
                             csv_error(&parser) == CSV_EPARSE
                                 ? "not CSV: a quote inside a field that is not quoted, or a quoted field that is not closed"
                                 : csv_strerror(csv_error(&parser)),
                             false};
    } catch (const std::system_error& e) {
        c.stop = CsvStop{c.currentLine, e.code().message(), true};
    }
    if (started)
        csv_free(&parser);
    return c.stop;
}

}  // namespace cli
