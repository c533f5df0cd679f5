#include "cli/suggest.h"

#include <algorithm>
#include <utility>

#include "cli/text.h"

namespace cli {
namespace {

constexpr int kMostEdits = 2;
constexpr std::size_t kMostSuggestions = 3;

char32_t folded(char32_t c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    return c;
}

// The Levenshtein distance, or kMostEdits + 1 for anything further; previous and current are the
// caller's, so that the rows of a list need no allocation each.
int distance(const std::u32string& a, const std::u32string& b, std::vector<int>& previous, std::vector<int>& current)
{
    constexpr int kFar = kMostEdits + 1;
    const std::size_t gap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    if (gap > kMostEdits)
        return kFar;
    // A cell more than kMostEdits off the diagonal is further than that, so each row fills only its
    // band and finds kFar on either side of it (to its right, never written since the assign: the band
    // only moves right): a list's every row is measured for each mistyped name.
    previous.assign(b.size() + 1, kFar);
    current.assign(b.size() + 1, kFar);
    for (std::size_t j = 0; j <= std::min<std::size_t>(b.size(), kMostEdits); ++j)
        previous[j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        const std::size_t from = i > kMostEdits ? i - kMostEdits : 1;
        const std::size_t to = std::min(b.size(), i + kMostEdits);
        current[from - 1] = from == 1 ? static_cast<int>(i) : kFar;
        int best = current[from - 1];
        for (std::size_t j = from; j <= to; ++j) {
            current[j] = std::min(std::min(previous[j], current[j - 1]) + 1, previous[j - 1] + (a[i - 1] != b[j - 1]));
            best = std::min(best, current[j]);
        }
        // Every later row is at least this row's smallest cell.
        if (best > kMostEdits)
            return kFar;
        std::swap(previous, current);
    }
    return std::min(previous[b.size()], kFar);
}

// foldedRow(i) is FoldedText(names[i]).
template <typename Name, typename FoldedRow>
std::vector<std::size_t> suggest(std::span<const Name> names, FoldedRow foldedRow, std::string_view query)
{
    const std::u32string wanted = FoldedText(query);
    std::vector<std::pair<int, std::size_t>> near;  // (distance, index): sorted, nearest and earliest first
    std::vector<int> previous, current;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int d = distance(wanted, foldedRow(i), previous, current);
        if (d <= kMostEdits)
            near.emplace_back(d, i);
    }
    std::stable_sort(near.begin(), near.end());
    std::vector<std::size_t> chosen;
    for (const auto& candidate : near) {
        if (chosen.size() == kMostSuggestions)
            break;
        const std::string_view name = names[candidate.second];
        const bool repeated = std::any_of(chosen.begin(), chosen.end(),
                                          [&](std::size_t c) { return std::string_view(names[c]) == name; });
        if (!repeated)
            chosen.push_back(candidate.second);
    }
    return chosen;
}

// Folds each row as it is reached, into one buffer.
template <typename Name>
std::vector<std::size_t> suggestFolding(std::span<const Name> names, std::string_view query)
{
    std::u32string row;
    return suggest(names, [&](std::size_t i) -> const std::u32string& { return row = FoldedText(names[i]); }, query);
}

}  // namespace

std::u32string FoldedText(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    while (!text.empty()) {
        char32_t cp = 0;
        std::size_t length = DecodeUtf8(text, cp);
        if (length == 0) {
            cp = 0x110000 + static_cast<unsigned char>(text[0]);
            length = 1;
        }
        out += folded(cp);
        text.remove_prefix(length);
    }
    return out;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    // Folding keeps each character's length in bytes.
    return a.size() == b.size() && FoldedText(a) == FoldedText(b);
}

std::vector<std::size_t> Suggest(std::span<const std::string> names, std::string_view query)
{
    return suggestFolding(names, query);
}

std::vector<std::size_t> Suggest(std::span<const std::string_view> names, std::string_view query)
{
    return suggestFolding(names, query);
}

std::vector<std::size_t> Suggest(std::span<const std::string> names, std::span<const std::u32string> folded,
                                 std::string_view query)
{
    return suggest(names, [&](std::size_t i) -> const std::u32string& { return folded[i]; }, query);
}

std::string DidYouMean(std::span<const std::string> shown)
{
    if (shown.empty())
        return "";
    std::string out = "; did you mean ";
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (i > 0)
            out += i + 1 == shown.size() ? " or " : ", ";
        out += shown[i];
    }
    return out + "?";
}

}  // namespace cli
