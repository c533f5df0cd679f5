// A hack kept in git as the README sets it up: git diff shows the table's changed lines.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "tests/cli/clitestutil.h"

namespace {

using namespace clitest;

// Runs a shell script in dir with git reading no configuration but the repository's; stdout and stderr.
Ran shell(const TempDir& dir, const std::string& script)
{
    const std::string command = "cd '" + dir.path().string() + "' && HOME='" + dir.path().string() +
                                "' GIT_CONFIG_NOSYSTEM=1 GIT_CONFIG_GLOBAL=/dev/null PATH='" +
                                std::filesystem::path(QUORVANE_CLI).parent_path().string() + "':\"$PATH\" sh -ec '" +
                                script + "' 2>&1";
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

TEST(Git, DiffShowsTheChangedSlotThroughTheExportTextconv)
{
    if (std::system("git --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "git is not installed; scripts/setup installs it";
    TempDir dir;
    const auto rom = sampleImage(dir, irbo(), "hack.nds");
    writeText(dir.file("notes.txt"), "not a ROM\n");  // matched by no attribute, so never converted
    const Ran setUp = shell(dir, R"(
        git init -q .
        git config user.name Tester
        git config user.email tester@example.org
        echo "hack.nds diff=quorvane" > .gitattributes
        git config diff.quorvane.textconv "quorvane-cli export"
        git config diff.quorvane.cachetextconv true
        git add .gitattributes hack.nds notes.txt
        git commit -q -m "The sample image")");
    ASSERT_EQ(setUp.status, 0) << setUp.out;

    const Ran imported = run({"import", rom.string(), "-"}, rom::SystemFiles(),
                             "species,slot,method,parameter,target\n25,1,4,36,26\n");
    ASSERT_EQ(imported.status, 0) << imported.err;
    writeText(dir.file("notes.txt"), "still not a ROM\n");

    const Ran diff = shell(dir, "git diff --no-color hack.nds");
    ASSERT_EQ(diff.status, 0) << diff.out;
    std::vector<std::string> changed;
    std::istringstream lines(diff.out);
    for (std::string line; std::getline(lines, line);)
        if ((line.starts_with('-') || line.starts_with('+')) && !line.starts_with("---") && !line.starts_with("+++"))
            changed.push_back(line);
    EXPECT_EQ(changed, (std::vector<std::string>{"-25,Pikachu,1,8,Item (Evo Stones),83,Thunderstone,26,Raichu",
                                                 "+25,Pikachu,1,4,Level Up,36,36,26,Raichu"}))
        << diff.out;

    // The whole repository's diff works too, and the converted text was kept for the next one.
    const Ran whole = shell(dir, "git diff --stat && git show-ref");
    EXPECT_EQ(whole.status, 0) << whole.out;
    EXPECT_NE(whole.out.find("notes.txt"), std::string::npos) << whole.out;
    EXPECT_NE(whole.out.find("refs/notes/textconv/quorvane"), std::string::npos) << whole.out;
}

}  // namespace
