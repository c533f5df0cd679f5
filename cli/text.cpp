#include "cli/text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace cli {
namespace {

constexpr std::size_t kQuotedCharacters = 40;

void appendHex(std::string& out, const char* prefix, char32_t value, int digits)
{
    static const char hex[] = "0123456789abcdef";
    out += prefix;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out += hex[(value >> shift) & 15];
}

// Appends the character at the start of text, escaped; returns how many bytes it took.
std::size_t appendEscapedCharacter(std::string& out, std::string_view text, bool escapeQuotes)
{
    char32_t cp = 0;
    const std::size_t length = DecodeUtf8(text, cp);
    if (length == 0) {
        appendHex(out, "\\x", static_cast<unsigned char>(text[0]), 2);
        return 1;
    }
    // An escape sequence in a name could take over the user's terminal, and a bidirectional control
    // could show a message's words in another order than they have.
    if (cp < 0x20 || cp == 0x7F)
        appendHex(out, "\\x", cp, 2);
    else if ((cp >= 0x80 && cp <= 0x9F) || (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069))
        appendHex(out, "\\u", cp, 4);
    else if (escapeQuotes && (cp == '"' || cp == '\\'))
        (out += '\\') += static_cast<char>(cp);
    else
        out.append(text.substr(0, length));
    return length;
}

// The length of text's first run of bytes that appendEscapedCharacter copies as they are, when
// quotes are not escaped: printable ASCII.
std::size_t plainRun(std::string_view text)
{
    std::size_t n = 0;
    while (n < text.size() && static_cast<unsigned char>(text[n] - 0x20) < 0x5F)
        ++n;
    return n;
}

}  // namespace

void AppendNumber(std::string& out, int value)
{
    char buffer[16];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

std::size_t DecodeUtf8(std::string_view text, char32_t& cp)
{
    if (text.empty())
        return 0;
    const auto b = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    if (b < 0x80) {
        cp = b;
        return 1;
    }
    if ((b & 0xE0) == 0xC0) {
        length = 2;
        cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        length = 3;
        cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        length = 4;
        cp = b & 0x07;
    } else {
        return 0;
    }
    if (length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(text[k]);
        if ((c & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[length] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        return 0;
    return length;
}

std::optional<std::size_t> FirstBadUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        // Tables are almost all ASCII: skip it eight bytes at a time.
        for (std::uint64_t word; i + 8 <= text.size(); i += 8) {
            std::memcpy(&word, text.data() + i, 8);
            if (word & 0x8080808080808080u)
                break;
        }
        if (i >= text.size())
            break;
        // Fields are mostly shorter than a word: their ASCII is skipped a byte at a time.
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = DecodeUtf8(text.substr(i), cp);
        if (length == 0)
            return i;
        i += length;
    }
    return std::nullopt;
}

std::size_t DisplayWidth(std::string_view text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string Escaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        // Messages are almost all printable ASCII: copied a run at a time.
        const std::size_t plain = plainRun(text.substr(at));
        out.append(text.substr(at, plain));
        at += plain;
        if (at < text.size())
            at += appendEscapedCharacter(out, text.substr(at), false);
    }
    return out;
}

std::string Quoted(std::string_view input)
{
    std::string out = "\"";
    std::size_t at = 0;
    for (std::size_t characters = 0; at < input.size() && characters < kQuotedCharacters; ++characters)
        at += appendEscapedCharacter(out, input.substr(at), true);
    if (at == input.size())
        return out + '"';
    return out + "...\" (" + std::to_string(input.size()) + " bytes)";
}

std::string Shown(const std::filesystem::path& path)
{
    return Escaped(path.native());
}

}  // namespace cli
