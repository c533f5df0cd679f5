#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

/// The text's code points with the letter case of ASCII and Latin-1 letters folded, as the comparisons
/// below see it; a byte that is not UTF-8 stands for itself, apart from every code point.
std::u32string FoldedText(std::string_view text);

/// Whether two UTF-8 texts are equal once the letter case of ASCII and Latin-1 letters is set aside.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

/// The names a mistyped query may have meant: the indexes of up to three names within a Levenshtein
/// distance of 2 of it, letter case aside, nearest first and then in list order. A text that repeats
/// in the list is offered once, at its first index.
std::vector<std::size_t> Suggest(std::span<const std::string> names, std::string_view query);
std::vector<std::size_t> Suggest(std::span<const std::string_view> names, std::string_view query);
/// The same, with FoldedText of each name given: a list searched for every mistyped name folds its
/// rows once.
std::vector<std::size_t> Suggest(std::span<const std::string> names, std::span<const std::u32string> folded,
                                 std::string_view query);

/// "; did you mean A?", "; did you mean A or B?", "; did you mean A, B or C?" for names as the
/// message shows them; "" for none.
std::string DidYouMean(std::span<const std::string> shown);

}  // namespace cli
