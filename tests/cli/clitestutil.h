#pragma once

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/names.h"
#include "rom/slotcodec.h"
#include "rom/namelists.h"
#include "tests/support/faultyfiles.h"
#include "tests/support/randomtable.h"
#include "tests/support/testsupport.h"

namespace clitest {

using namespace testsupport;
using faulty::FailingInput;
using faulty::FaultyFileSystem;
using faulty::FullOutput;

struct Ran {
    int status;
    std::string out;
    std::string err;
};

/// Runs the command line in-process on these buffers as standard input and output (output captured
/// when none is given).
inline Ran runOn(const std::vector<std::string>& args, std::streambuf& input, std::streambuf* output = nullptr,
                 rom::FileSystem& files = rom::SystemFiles())
{
    std::istream in(&input);
    std::ostringstream captured, err;
    std::ostream out(output ? output : captured.rdbuf());
    cli::Io io{in, out, err, files};
    const int status = cli::Run(args, io);
    return {status, captured.str(), err.str()};
}

/// Runs the command line in-process, with input as standard input.
inline Ran run(const std::vector<std::string>& args, rom::FileSystem& files = rom::SystemFiles(),
               const std::string& input = "")
{
    std::stringbuf in(input);
    return runOn(args, in, nullptr, files);
}

/// Runs a shell command line: its exit status and standard output.
inline Ran runShell(const std::string& command)
{
    Ran r{-1, {}, {}};
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return r;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        r.out.append(buffer, n);
    const int raw = ::pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

/// A file's whole contents; "" for a file that cannot be read.
inline std::string contents(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

/// The names in a folder.
inline std::set<std::string> entries(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

/// Listed values for one slot; the target may be kept as read (then possibly unlisted).
struct Edit {
    rom::SlotAddress address;
    int method;
    std::optional<int> parameter;
    int target;
    bool keepTarget;  // the target is the stored one, left alone
};

inline std::optional<int> listedParameter(std::mt19937& rng, rom::ParamKind kind)
{
    switch (kind) {
    case rom::ParamKind::Level: return std::uniform_int_distribution<int>(0, 100)(rng);
    case rom::ParamKind::Item: return std::uniform_int_distribution<int>(0, 626)(rng);
    case rom::ParamKind::Species: return std::uniform_int_distribution<int>(0, 649)(rng);
    case rom::ParamKind::Move: return std::uniform_int_distribution<int>(0, 559)(rng);
    default: return std::nullopt;
    }
}

/// Up to n edits on distinct slots, each changing its slot's values as read from t.
inline std::vector<Edit> randomEdits(std::mt19937& rng, const std::vector<std::uint8_t>& t, int n)
{
    std::vector<Edit> edits;
    std::set<int> used;
    for (int i = 0; i < n; ++i) {
        const int row = std::uniform_int_distribution<int>(0, 648)(rng);
        const auto address = rom::SlotAddress::Of(row, std::uniform_int_distribution<int>(1, 7)(rng));
        if (!address)
            throw std::logic_error(address.error().reason);
        if (!used.insert(address->index()).second)
            continue;
        rom::SlotBytes bytes;
        std::copy_n(t.begin() + std::ptrdiff_t(address->offset()), 6, bytes.begin());
        const rom::EvolutionSlot now = rom::DecodeSlot(bytes);
        Edit e{*address, std::uniform_int_distribution<int>(0, 27)(rng), std::nullopt, 0, false};
        e.parameter = listedParameter(rng, rom::KindOf(e.method));
        e.keepTarget = std::uniform_int_distribution<int>(0, 3)(rng) == 0;
        e.target = e.keepTarget ? now.target : std::uniform_int_distribution<int>(0, 649)(rng);
        if (e.method == now.method && e.parameter == now.parameter && e.target == now.target)
            continue;
        edits.push_back(e);
    }
    return edits;
}

/// The save the editor makes for an edit: listed values written, a target left alone kept if unlisted.
inline rom::SlotWrite editorSave(const Edit& e)
{
    rom::SlotWrite w;
    w.method = e.method;
    w.kind = rom::KindOf(e.method);
    w.parameter = e.parameter;
    if (!(e.keepTarget && (e.target < 0 || e.target > 649)))
        w.target = e.target;
    return w;
}

inline std::string csvOf(const std::vector<Edit>& edits)
{
    std::string text = "species,slot,method,parameter,target\n";
    for (const Edit& e : edits)
        text += std::to_string(e.address.species()) + "," + std::to_string(e.address.slot()) + "," +
                std::to_string(e.method) + "," + (e.parameter ? std::to_string(*e.parameter) : "") + "," +
                std::to_string(e.target) + "\n";
    return text;
}

}  // namespace clitest
