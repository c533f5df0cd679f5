#include "cli/evolgraph.h"

#include <algorithm>
#include <numeric>

#include "cli/names.h"

namespace cli {
namespace {

constexpr int kNodes = rom::kSpeciesRows + 1;  // indexed by species number; 0 unused

// Each species' successors among other species, in slot order, as one array with offsets. An evolution
// into itself is left out: it would be a cycle of one step, which no group is made of.
struct Successors {
    std::vector<int> first;  // successors of v are to[first[v], first[v + 1])
    std::vector<int> to;

    explicit Successors(std::span<const Evolution> evolutions) : first(kNodes + 1, 0)
    {
        auto counts = [](const Evolution& e) { return IsSpecies(e.target) && e.target != e.species; };
        for (const Evolution& e : evolutions)
            if (counts(e))
                ++first[std::size_t(e.species) + 1];
        std::partial_sum(first.begin(), first.end(), first.begin());
        to.resize(std::size_t(first.back()));
        std::vector<int> next(first.begin(), first.end() - 1);
        for (const Evolution& e : evolutions)
            if (counts(e))
                to[std::size_t(next[std::size_t(e.species)]++)] = e.target;
    }
    std::span<const int> of(int v) const
    {
        return std::span<const int>(to).subspan(std::size_t(first[std::size_t(v)]),
                                                std::size_t(first[std::size_t(v) + 1] - first[std::size_t(v)]));
    }
};

// The shortest cycle from start back to it inside its group, found breadth-first.
std::vector<int> cycleThrough(int start, const Successors& next, const std::vector<int>& group)
{
    std::vector<int> parent(kNodes, 0);
    std::vector<int> queue{start};
    parent[std::size_t(start)] = start;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const int v = queue[head];
        for (const int w : next.of(v)) {
            if (group[std::size_t(w)] != group[std::size_t(start)])
                continue;
            if (w == start) {
                std::vector<int> cycle{start};
                for (int u = v; u != start; u = parent[std::size_t(u)])
                    cycle.push_back(u);
                cycle.push_back(start);
                std::reverse(cycle.begin(), cycle.end());
                return cycle;
            }
            if (!parent[std::size_t(w)]) {
                parent[std::size_t(w)] = v;
                queue.push_back(w);
            }
        }
    }
    return {};  // not reached: every member of a group lies on a cycle through any other
}

}  // namespace

std::vector<Evolution> EvolutionsOf(const rom::EvolutionTable& table)
{
    std::vector<Evolution> out;
    out.reserve(rom::kTableSlots);
    for (const rom::SlotAddress at : rom::SlotAddress::All()) {
        const SlotValues v = ValuesOf(at, table.slot(at));
        if (v.method != 0)
            out.push_back({v.species, v.slot, v.method, v.parameter, v.target});
    }
    return out;
}

std::vector<int> FamilyOf(std::span<const Evolution> evolutions)
{
    std::vector<int> root(kNodes);
    std::iota(root.begin(), root.end(), 0);
    auto find = [&](int v) {
        while (root[std::size_t(v)] != v)
            v = root[std::size_t(v)] = root[std::size_t(root[std::size_t(v)])];
        return v;
    };
    // The smaller root wins, so every root is its family's smallest species.
    for (const Evolution& e : evolutions) {
        if (!IsSpecies(e.target))
            continue;
        const int a = find(e.species), b = find(e.target);
        root[std::size_t(std::max(a, b))] = std::min(a, b);
    }
    for (int v = 1; v < kNodes; ++v)
        root[std::size_t(v)] = find(v);
    return root;
}

std::vector<Loop> LoopsOf(std::span<const Evolution> evolutions)
{
    const Successors next(evolutions);
    // Tarjan's algorithm, with an explicit stack of (species, next successor) in place of recursion.
    std::vector<int> order(kNodes, -1), low(kNodes, 0), group(kNodes, -1);
    std::vector<bool> onStack(kNodes, false);
    std::vector<int> stack;
    std::vector<std::pair<int, std::size_t>> calls;
    std::vector<Loop> loops;
    int counter = 0, groups = 0;
    auto enter = [&](int v) {
        order[std::size_t(v)] = low[std::size_t(v)] = counter++;
        stack.push_back(v);
        onStack[std::size_t(v)] = true;
        calls.emplace_back(v, 0);
    };
    for (int root = 1; root < kNodes; ++root) {
        if (order[std::size_t(root)] >= 0)
            continue;
        enter(root);
        while (!calls.empty()) {
            const int v = calls.back().first;
            const std::span<const int> successors = next.of(v);
            if (const std::size_t i = calls.back().second++; i < successors.size()) {
                const int w = successors[i];
                if (order[std::size_t(w)] < 0)
                    enter(w);
                else if (onStack[std::size_t(w)])
                    low[std::size_t(v)] = std::min(low[std::size_t(v)], order[std::size_t(w)]);
                continue;
            }
            calls.pop_back();
            if (!calls.empty())
                low[std::size_t(calls.back().first)] = std::min(low[std::size_t(calls.back().first)], low[std::size_t(v)]);
            if (low[std::size_t(v)] != order[std::size_t(v)])
                continue;
            Loop loop;
            int w = 0;
            do {
                w = stack.back();
                stack.pop_back();
                onStack[std::size_t(w)] = false;
                group[std::size_t(w)] = groups;
                loop.members.push_back(w);
            } while (w != v);
            ++groups;
            if (loop.members.size() >= 2)
                loops.push_back(std::move(loop));
        }
    }
    for (Loop& loop : loops) {
        std::sort(loop.members.begin(), loop.members.end());
        loop.cycle = cycleThrough(loop.members.front(), next, group);
    }
    std::sort(loops.begin(), loops.end(), [](const Loop& a, const Loop& b) { return a.members[0] < b.members[0]; });
    return loops;
}

void AppendDotQuoted(std::string& out, std::string_view text)
{
    // Inside quotes DOT only gives \" a meaning, but Graphviz reads \N, \n, \l and the like in labels:
    // a doubled backslash shows as one.
    out += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
}

}  // namespace cli
