// Real clients rewrite an export: LibreOffice Calc (csv -> ods -> csv, also back with semicolons, and
// csv -> xlsx -> csv) and Python's csv module (its default dialect, and with tabs). Each result keeps
// every line's numbers and imports back without a byte written. CTest runs this once, as its own
// entry labelled external: it takes seconds, and the sanitizers would see nothing new in it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

#include "cli/tablecsv.h"
#include "tests/cli/clitestutil.h"

namespace {

using namespace clitest;

bool installed(const std::string& program)
{
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Every method, then every row of each parameter list: all levels 0-100, every item (names with
// trailing spaces, "Poké Doll", "???" on three rows), species and move; and two numbers with no row.
std::vector<std::uint8_t> everyValue()
{
    std::vector<std::uint8_t> t(rom::kTableBytes);
    std::size_t at = 0;
    auto put = [&](int method, int parameter) {
        putWord(t, at, method);
        putWord(t, at + 2, parameter);
        putWord(t, at + 4, int(at / 6 % 650));
        at += at % 44 == 36 ? 8 : 6;  // past a record's two bytes after its seventh slot
    };
    for (int method = 0; method < int(rom::kMethods.size()); ++method)
        put(method, 1);
    for (const auto& [method, list] : {std::pair{4, cli::List::Level}, std::pair{8, cli::List::Item},
                                       std::pair{22, cli::List::Species}, std::pair{21, cli::List::Move}})
        for (int row = 0; row < int(cli::NamesOf(list).size()); ++row)
            put(method, row);
    put(64, 1234);
    put(4, 200);
    return t;
}

std::vector<std::vector<std::string>> records(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::vector<std::vector<std::string>> out;
    cli::ReadCsv(*in.rdbuf(), [&](const cli::CsvRecord& r) {
        out.emplace_back(r.fields.begin(), r.fields.end());
        return true;
    });
    return out;
}

TEST(Spreadsheets, TablesRewrittenByLibreOfficeAndPythonImportWithoutAChange)
{
    TempDir dir;
    const auto rom = makeImage(dir, irbo());
    putTable(rom, irbo(), everyValue());
    const std::string d = dir.path().string() + "/";
    ASSERT_EQ(run({"export", rom.string(), "--all", "-o", d + "table.csv"}).status, 0);

    std::vector<std::string> results, missing;
    std::string commands = "cd '" + d + "' && set -e\n";
    if (installed("python3")) {
        for (const std::string dialect : {"excel", "excel-tab"}) {
            commands += "python3 -c 'import csv, sys; csv.writer(open(sys.argv[2], \"w\", newline=\"\", "
                        "encoding=\"utf-8\"), dialect=sys.argv[3]).writerows(csv.reader(open(sys.argv[1], "
                        "newline=\"\", encoding=\"utf-8\")))' table.csv python-" + dialect + ".csv " + dialect + "\n";
            results.push_back("python-" + dialect + ".csv");
        }
    } else {
        missing.push_back("python3");
    }
    if (installed("soffice")) {
        // Each run with a profile of its own, so that no other run (another build's tests) can collide.
        int runs = 0;
        const auto soffice = [&](const std::string& options, const std::string& files, const std::string& outdir) {
            return "soffice --headless -env:UserInstallation=file://" + d + "profile" + std::to_string(++runs) + " " +
                   options + " --outdir " + outdir + " " + files + "\n";
        };
        const std::string fromCsv = "--infilter=CSV:44,34,76,1 --convert-to ";
        const std::string toCsv = "--convert-to 'csv:Text - txt - csv (StarCalc):";
        commands += "cp table.csv via-ods.csv\ncp table.csv via-xlsx.csv\n" +
                    soffice(fromCsv + "ods", "via-ods.csv", ".") + soffice(fromCsv + "xlsx", "via-xlsx.csv", ".") +
                    soffice(toCsv + "44,34,76'", "via-ods.ods via-xlsx.xlsx", "back") +
                    soffice(toCsv + "59,34,76'", "via-ods.ods", "semicolons");
        for (const char* result : {"back/via-ods.csv", "back/via-xlsx.csv", "semicolons/via-ods.csv"})
            results.push_back(result);
    } else {
        missing.push_back("soffice (LibreOffice Calc)");
    }
    const Ran clients = runShell("(" + commands + ") 2>&1");
    ASSERT_EQ(clients.status, 0) << commands << clients.out;

    const auto exported = records(d + "table.csv");
    ASSERT_EQ(exported.size(), 649u * 7 + 1);
    const auto before = table(rom, irbo());
    const auto mtime = std::filesystem::last_write_time(rom);
    for (const std::string& result : results) {
        SCOPED_TRACE(result);
        // Every line is there, and only a level's name may change: to its number without the zeros.
        const auto rewritten = records(d + result);
        ASSERT_EQ(rewritten.size(), exported.size());
        int changed = 0;
        for (std::size_t i = 1; i < exported.size(); ++i) {
            ASSERT_EQ(rewritten[i].size(), cli::kColumns.size());
            for (std::size_t c = 0; c < cli::kColumns.size(); ++c) {
                if (rewritten[i][c] == exported[i][c])
                    continue;
                ++changed;
                const int method = std::stoi(exported[i][3]);
                EXPECT_TRUE(c == 6 && rom::KindOf(method) == rom::ParamKind::Level &&
                            std::to_string(std::stoi(exported[i][c])) == rewritten[i][c])
                    << "line " << i + 1 << ": \"" << exported[i][c] << "\" became \"" << rewritten[i][c] << '"';
            }
        }
        std::cout << result << ": " << changed << " fields changed\n";

        const Ran r = run({"import", rom.string(), d + result});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "0 slots changed\n");
        EXPECT_EQ(table(rom, irbo()), before);
        EXPECT_EQ(std::filesystem::last_write_time(rom), mtime);
    }
    if (!missing.empty()) {
        std::string list;
        for (const std::string& m : missing)
            list += (list.empty() ? "" : " and ") + m;
        GTEST_SKIP() << list << " not installed (scripts/setup installs them); the other clients passed";
    }
}

}  // namespace
