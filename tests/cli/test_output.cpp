// -o FILE: which links are followed, what a replaced file keeps, what is refused, and temporary names.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "tests/cli/clitestutil.h"

namespace {

using namespace clitest;

constexpr uid_t kNobody = 65534;

// In a sticky folder anyone may write, a link is followed only when its owner is the user or the
// folder's owner, as the kernel's fs.protected_symlinks has it; anywhere else, always.
TEST(Output, LinksAreFollowedOnlyWhereTheKernelWouldFollowThem)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "a link owned by another user takes root to make (lchown)";
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const std::string expected = run({"export", p.string()}).out;
    const struct {
        mode_t folderMode;
        uid_t folderOwner, linkOwner;
        bool followed;
    } cases[] = {
        {01777, 0, kNobody, false},
        {01777, 0, 0, true},              // the user's own link
        {01777, kNobody, kNobody, true},  // the folder owner's
        {00777, 0, kNobody, true},        // not sticky
        {01775, 0, kNobody, true},        // not writable by everyone
    };
    const auto pub = dir.file("pub"), secret = dir.file("secret.csv"), link = pub / "out.csv";
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.folderMode) + " " + std::to_string(c.folderOwner) + " " +
                     std::to_string(c.linkOwner));
        std::filesystem::remove_all(pub);
        std::filesystem::create_directory(pub);
        ASSERT_EQ(::chown(pub.c_str(), c.folderOwner, c.folderOwner), 0);
        ASSERT_EQ(::chmod(pub.c_str(), c.folderMode), 0);
        writeText(secret, "root's own\n");
        std::filesystem::create_symlink(secret, link);
        ASSERT_EQ(::lchown(link.c_str(), c.linkOwner, c.linkOwner), 0);
        const Ran r = run({"export", p.string(), "-o", link.string()});
        EXPECT_EQ(r.status, c.followed ? 0 : 1) << r.err;
        EXPECT_EQ(r.err, c.followed ? "" : link.string() + ": a symbolic link in a sticky folder that anyone may write, "
                                           "owned by neither you nor the folder's owner: not followed, as the kernel "
                                           "would not; nothing written\n");
        EXPECT_EQ(contents(secret), c.followed ? expected : "root's own\n");
        EXPECT_EQ(entries(pub), std::set<std::string>{"out.csv"});
        EXPECT_TRUE(std::filesystem::is_symlink(link));
    }
}

// A replaced file keeps its mode, its extended attributes and, as root, its owner and group; another
// hard link to it keeps the old text.
TEST(Output, AReplacedFileKeepsWhatItWasAndItsOtherLinksKeepTheOldText)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const std::string expected = run({"export", p.string()}).out;
    const auto out = dir.file("out.csv"), other = dir.file("other.csv");
    writeText(out, "previous\n");
    ASSERT_EQ(::chmod(out.c_str(), 0640), 0);
    std::filesystem::create_hard_link(out, other);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(out.c_str(), kNobody, kNobody), 0);
    }
    const bool attributes = ::setxattr(out.c_str(), "user.origin", "hack", 4, 0) == 0;

    const Ran r = run({"export", p.string(), "-o", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(contents(out), expected);
    EXPECT_EQ(contents(other), "previous\n");
    struct stat st {};
    ASSERT_EQ(::stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_nlink, 1u);
    if (root) {
        EXPECT_EQ(st.st_uid, kNobody);
        EXPECT_EQ(st.st_gid, kNobody);
    }
    if (attributes) {
        char value[8] = {};
        EXPECT_EQ(::getxattr(out.c_str(), "user.origin", value, sizeof value), 4);
        EXPECT_STREQ(value, "hack");
    }
    if (!root || !attributes)
        std::cout << "not checked here:" << (root ? "" : " the owner (not root)")
                  << (attributes ? "" : " extended attributes (not supported)") << "\n";
}

// As a shell's > would not write it, -o does not replace it: a write-protected file in a folder anyone
// may write.
TEST(Permissions, AFileTheUserCouldNotOpenForWritingIsNotReplaced)
{
    SKIP_WHERE_PERMISSIONS_DO_NOT_BIND();
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const auto out = dir.file("protected.csv");
    writeText(out, "kept\n");
    ASSERT_EQ(::chmod(out.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    const Ran r = run({"export", p.string(), "-o", out.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, out.string() + ": cannot be written: " + std::generic_category().message(EACCES) + "\n");
    EXPECT_EQ(contents(out), "kept\n");
    EXPECT_EQ(entries(dir.path()), (std::set<std::string>{"rom.nds", "protected.csv"}));
}

// The temporary file beside the output has a longer name: it must fit wherever the output's does.
TEST(Output, ATemporaryNameFitsWheneverTheOutputsNameDoes)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const std::string expected = run({"export", p.string()}).out;
    const auto longest = static_cast<std::size_t>(::pathconf(dir.path().c_str(), _PC_NAME_MAX));
    for (const std::size_t length : {longest - 5, longest, longest + 1}) {
        const std::string name(length, 'n');
        const Ran r = run({"export", p.string(), "-o", dir.file(name).string()});
        if (length > longest) {
            EXPECT_EQ(r.status, 1);
            EXPECT_NE(r.err.find(": cannot be written: " + std::generic_category().message(ENAMETOOLONG)),
                      std::string::npos) << r.err;
            EXPECT_EQ(entries(dir.path()), std::set<std::string>{"rom.nds"});
            continue;
        }
        EXPECT_EQ(r.status, 0) << length << ": " << r.err;
        EXPECT_EQ(contents(dir.file(name)), expected) << length;
        EXPECT_EQ(entries(dir.path()), (std::set<std::string>{"rom.nds", name}));
        std::filesystem::remove(dir.file(name));
    }
}

}  // namespace
