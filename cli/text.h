#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cli {

/// The length of the well-formed UTF-8 sequence that text begins with, and its code point; 0 when
/// text is empty or begins with a byte that starts no such sequence.
std::size_t DecodeUtf8(std::string_view text, char32_t& codePoint);

/// Input as a message quotes it: in double quotes, at most 40 characters (code points), with
/// control characters (C0, DEL, C1), bytes that are not UTF-8, quotes and backslashes escaped; a
/// longer text is cut and followed by its length in bytes.
std::string Quoted(std::string_view input);

}  // namespace cli
