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

// Code points with letter case folded; a byte that is not UTF-8 stands for itself, apart from every
// code point.
std::u32string foldedText(std::string_view text)
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

// The Levenshtein distance, or kMostEdits + 1 for anything further.
int distance(const std::u32string& a, const std::u32string& b)
{
    const std::size_t gap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    if (gap > kMostEdits)
        return kMostEdits + 1;
    std::vector<int> previous(b.size() + 1), current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        previous[j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = static_cast<int>(i);
        int best = current[0];
        for (std::size_t j = 1; j <= b.size(); ++j) {
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (a[i - 1] != b[j - 1])});
            best = std::min(best, current[j]);
        }
        // Every later row is at least this row's smallest cell.
        if (best > kMostEdits)
            return kMostEdits + 1;
        std::swap(previous, current);
    }
    return std::min(previous[b.size()], kMostEdits + 1);
}

template <typename Name>
std::vector<std::size_t> suggest(std::span<const Name> names, std::string_view query)
{
    const std::u32string wanted = foldedText(query);
    std::vector<std::pair<int, std::size_t>> near;  // (distance, index): sorted, nearest and earliest first
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int d = distance(wanted, foldedText(names[i]));
        if (d <= kMostEdits)
            near.emplace_back(d, i);
    }
    std::stable_sort(near.begin(), near.end());
    std::vector<std::size_t> chosen;
    // Not a structured binding: clang before 16 cannot capture one in a lambda, and the fuzz build uses clang.
    for (const auto& entry : near) {
        const std::size_t i = entry.second;
        if (chosen.size() == kMostSuggestions)
            break;
        const bool repeated = std::any_of(chosen.begin(), chosen.end(), [&](std::size_t c) {
            return std::string_view(names[c]) == std::string_view(names[i]);
        });
        if (!repeated)
            chosen.push_back(i);
    }
    return chosen;
}

}  // namespace

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    // Folding keeps each character's length in bytes.
    return a.size() == b.size() && foldedText(a) == foldedText(b);
}

std::vector<std::size_t> Suggest(std::span<const std::string> names, std::string_view query)
{
    return suggest(names, query);
}

std::vector<std::size_t> Suggest(std::span<const std::string_view> names, std::string_view query)
{
    return suggest(names, query);
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
