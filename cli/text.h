#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace cli {

/// Appends the number in decimal, as to_string would but without a temporary.
void AppendNumber(std::string& out, int value);

/// The length of the well-formed UTF-8 sequence that text begins with, and its code point; 0 when
/// text is empty or begins with a byte that starts no such sequence.
std::size_t DecodeUtf8(std::string_view text, char32_t& codePoint);

/// Whether the text is well-formed UTF-8; if not, the offset of the first bad byte.
std::optional<std::size_t> FirstBadUtf8(std::string_view text);

/// Number of characters of UTF-8 text, for aligning columns.
std::size_t DisplayWidth(std::string_view text);

/// Text from the input made safe for a terminal: C0 controls, DEL and bytes that are not UTF-8 as
/// \xhh, C1 controls (U+0080 to U+009F) and the bidirectional embeddings, overrides and isolates
/// (U+202A to U+202E, U+2066 to U+2069) as \uhhhh; everything else as it is. Escaped text is left
/// as it is by a second escaping.
std::string Escaped(std::string_view text);

/// Input as a message quotes it: in double quotes, escaped as Escaped does (and quotes and
/// backslashes too, so the quoting cannot be misread), at most its first 40 characters (code
/// points); a longer text is cut and followed by its length in bytes.
std::string Quoted(std::string_view input);

/// A file name as messages show it: as given on the command line, escaped as Escaped does.
std::string Shown(const std::filesystem::path& path);

}  // namespace cli
