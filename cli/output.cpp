#include "cli/output.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <ctime>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <utility>
#include <variant>

#include "cli/text.h"
#include "rom/processhandlers.h"
#include "rom/result.h"
#include "rom/writeall.h"

namespace cli {
namespace {

// Done, or the system's reason it could not be.
using Written = rom::Result<void, std::string>;

std::string reason(int err)
{
    return std::generic_category().message(err);
}

// A descriptor that closes itself.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd& operator=(Fd&& other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    // Closes it and says whether the system reported an error for it (a written byte may be lost).
    int close()
    {
        const int fd = std::exchange(m_fd, -1);
        return fd < 0 || ::close(fd) == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

int openAt(int folder, const std::string& name, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::openat(folder, name.c_str(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

Exit writeStream(Io& io, std::ostream& stream, std::string_view name, std::string_view text)
{
    std::string failed;
    try {
        std::streambuf* buffer = stream.rdbuf();
        if (!stream || !buffer ||
            buffer->sputn(text.data(), static_cast<std::streamsize>(text.size())) !=
                static_cast<std::streamsize>(text.size()) ||
            buffer->pubsync() != 0)
            failed = "writing failed";
    } catch (const std::system_error& e) {
        failed = e.code().message();
    }
    if (failed.empty())
        return kSuccess;
    Say(io, name, failed);
    return kFailure;
}

// The descriptor that /dev/stdout, /dev/stderr, /dev/fd/N or /proc/self/fd/N names; nullopt for any
// other path. Resolved as a link, such a path would lead to the file behind the descriptor, which
// would then be replaced, though opened for appending; or to nothing at all, for a pipe.
std::optional<int> descriptorNamed(const std::filesystem::path& path)
{
    const std::string p = path.lexically_normal().native();
    if (p == "/dev/stdin")
        return 0;
    if (p == "/dev/stdout")
        return 1;
    if (p == "/dev/stderr")
        return 2;
    for (const std::string_view folder : {"/dev/fd/", "/proc/self/fd/"}) {
        if (!p.starts_with(folder))
            continue;
        const std::string_view digits = std::string_view(p).substr(folder.size());
        int fd = -1;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), fd);
        if (error == std::errc() && end == digits.data() + digits.size() && fd >= 0)
            return fd;
    }
    return std::nullopt;
}

Exit writeDescriptor(Io& io, int fd, const std::filesystem::path& output, std::string_view text)
{
    // Standard output and error are the command's own streams, as "-" is.
    if (fd == 1)
        return writeStream(io, io.out, "standard output", text);
    if (fd == 2)
        return writeStream(io, io.err, "standard error", text);
    if (const int err = rom::WriteAll(fd, text); err != 0) {
        Say(io, Shown(output), "cannot be written: " + reason(err));
        return kFailure;
    }
    return kSuccess;
}

// The kernel's fs.protected_symlinks rule, applied whether or not it is on: in a sticky folder anyone
// may write, another user's link could send the write to any file this user may write. Resolving a
// link here, rather than letting open follow it, would otherwise bypass the rule.
bool mayFollow(const struct stat& link, const struct stat& folder)
{
    const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return !shared || link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

// Where -o writes, once its links are followed: an entry of an open folder, and what is there now.
struct Place {
    Fd folder;
    std::string name;
    std::optional<struct stat> entry;  // nullopt: no file of that name yet
};

// Why nothing is written, and what the message is about.
struct Refusal {
    std::filesystem::path about;
    std::string what;
};

// A symbolic link stands for the file it names: that file is the one replaced, the link stays. Links
// on the way to the last folder are the kernel's to follow, with its own rule.
rom::Result<std::variant<int, Place>, Refusal> resolve(const std::filesystem::path& output)
{
    std::filesystem::path path = output;
    for (int hops = 0;; ++hops) {
        if (const auto fd = descriptorNamed(path))
            return std::variant<int, Place>(*fd);
        if (hops > 40)
            return Refusal{output, "cannot be written: " + reason(ELOOP)};
        Place place;
        place.name = path.filename().native();
        if (place.name.empty() || place.name == "." || place.name == "..")
            return Refusal{output, "cannot be written: " + reason(EISDIR)};
        const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
        place.folder = Fd(openAt(AT_FDCWD, folder.native(), O_RDONLY | O_DIRECTORY));
        if (place.folder.get() < 0)
            return Refusal{output, "cannot be written: " + reason(errno)};
        struct stat st {};
        if (::fstatat(place.folder.get(), place.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                return Refusal{output, "cannot be written: " + reason(errno)};
            return std::variant<int, Place>(std::move(place));
        }
        if (!S_ISLNK(st.st_mode)) {
            place.entry = st;
            return std::variant<int, Place>(std::move(place));
        }
        struct stat folderSt {};
        if (::fstat(place.folder.get(), &folderSt) != 0)
            return Refusal{output, "cannot be written: " + reason(errno)};
        if (!mayFollow(st, folderSt))
            return Refusal{path, "a symbolic link in a sticky folder that anyone may write, owned by neither "
                                 "you nor the folder's owner: not followed, as the kernel would not; nothing written"};
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlinkat(place.folder.get(), place.name.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size())
            return Refusal{output, "cannot be written: " + reason(n < 0 ? errno : ENAMETOOLONG)};
        target.resize(static_cast<std::size_t>(n));
        path = std::filesystem::path(target).is_absolute() ? std::filesystem::path(target) : folder / target;
    }
}

// Devices, FIFOs and sockets cannot be replaced: they are opened as a shell's > would, a FIFO waiting
// for its reader.
Written writeInPlace(const Place& place, std::string_view text)
{
    Fd fd(openAt(place.folder.get(), place.name, O_WRONLY | O_NOFOLLOW));
    if (fd.get() < 0)
        return reason(errno);
    int err = rom::WriteAll(fd.get(), text);
    if (const int closed = fd.close(); err == 0)
        err = closed;
    if (err != 0)
        return reason(err);
    return {};
}

// ".NAME.quorvane-partial-XXXXXX", which says what it is should a SIGKILL leave it; NAME is cut, at a
// character's start, so that the whole fits wherever NAME does.
std::string temporaryName(std::string_view name, std::size_t nameMax)
{
    constexpr std::string_view kMark = ".quorvane-partial-";
    constexpr std::size_t kRandom = 6;
    const std::size_t room = nameMax - 1 - kMark.size() - kRandom;
    if (name.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name = name.substr(0, cut);
    }
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[kRandom] = {};
    if (::getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
        const auto seed = static_cast<unsigned long>(std::time(nullptr)) ^ static_cast<unsigned long>(::getpid());
        for (std::size_t i = 0; i < kRandom; ++i)
            random[i] = static_cast<unsigned char>(seed >> (5 * i));
    }
    std::string out = "." + std::string(name) + std::string(kMark);
    for (const unsigned char r : random)
        out += kLetters[r % (sizeof kLetters - 1)];
    return out;
}

// Extended attributes (an ACL, a security label, the user's own) go with the text wherever the system
// lets this user set them.
void copyAttributes(int from, int to)
{
    const ssize_t size = ::flistxattr(from, nullptr, 0);
    if (size <= 0)
        return;
    std::string names(static_cast<std::size_t>(size), '\0');
    names.resize(static_cast<std::size_t>(std::max<ssize_t>(::flistxattr(from, names.data(), names.size()), 0)));
    std::string value;
    for (std::size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
        const char* name = names.c_str() + at;
        const ssize_t length = ::fgetxattr(from, name, nullptr, 0);
        if (length < 0)
            continue;
        value.resize(static_cast<std::size_t>(length));
        const ssize_t got = ::fgetxattr(from, name, value.data(), value.size());
        if (got >= 0)
            ::fsetxattr(to, name, value.data(), static_cast<std::size_t>(got), 0);
    }
}

// A failed export must not destroy the previous one: the text goes to a file beside the target, is
// synced, and only then takes the target's place; the folder is synced so that the new name lasts.
Written replaceFile(const Place& place, std::string_view text)
{
    const int folder = place.folder.get();
    struct stat old {};
    Fd current;
    if (place.entry) {
        // As a shell's > would: a file this user could not open for writing is not replaced either.
        current = Fd(openAt(folder, place.name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK));
        if (current.get() < 0 || ::fstat(current.get(), &old) != 0)
            return reason(errno);
    }
    const long nameMax = ::fpathconf(folder, _PC_NAME_MAX);
    const std::size_t fits = nameMax > 0 ? std::min<std::size_t>(static_cast<std::size_t>(nameMax), 255) : 255;

    rom::RemovedOnSignal removed;
    std::string temporary;
    Fd fd;
    int err = EEXIST;
    for (int tries = 0; tries < 100 && err == EEXIST; ++tries) {
        temporary = temporaryName(place.name, fits);
        rom::WithStopSignalsHeld([&] {
            fd = Fd(openAt(folder, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600));
            err = fd.get() < 0 ? errno : 0;
            if (err == 0)
                removed.name(folder, temporary.c_str());
        });
    }
    if (err != 0)
        return reason(err);

    if (place.entry) {
        // As root, the file keeps its owner; anyone keeps its group where they belong to it. The mode
        // comes last: a change of owner clears the set-user and set-group bits.
        if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0)
            (void)::fchown(fd.get(), static_cast<uid_t>(-1), old.st_gid);
        copyAttributes(current.get(), fd.get());
        current.close();
        if (::fchmod(fd.get(), old.st_mode & 07777) != 0)
            err = errno;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd.get(), 0666 & ~mask) != 0)  // what creating the file directly would have given it
            err = errno;
    }
    if (err == 0)
        err = rom::WriteAll(fd.get(), text);
    if (err == 0 && ::fsync(fd.get()) != 0)
        err = errno;
    if (const int closed = fd.close(); err == 0)
        err = closed;
    rom::WithStopSignalsHeld([&] {
        if (err == 0 && ::renameat(folder, temporary.c_str(), folder, place.name.c_str()) != 0)
            err = errno;
        if (err != 0)
            ::unlinkat(folder, temporary.c_str(), 0);
        removed.name(-1, nullptr);
    });
    if (err != 0)
        return reason(err);
    if (::fsync(folder) != 0)
        return "written, but its folder could not be synced: " + reason(errno);
    return {};
}

}  // namespace

void Say(Io& io, std::string_view message)
{
    std::string line = Escaped(message);
    line += '\n';
    try {
        io.err.clear();
        if (std::streambuf* err = io.err.rdbuf()) {
            err->sputn(line.data(), static_cast<std::streamsize>(line.size()));
            err->pubsync();
        }
    } catch (const std::exception&) {
        // Nowhere is left to say it; the command's status stands.
    }
}

void Say(Io& io, std::string_view about, std::string_view what)
{
    std::string message(about);
    message += ": ";
    message += what;
    Say(io, message);
}

Exit WriteOut(Io& io, std::string_view text)
{
    return writeStream(io, io.out, "standard output", text);
}

Exit WriteOutput(const std::filesystem::path& romPath, const std::filesystem::path& output, std::string_view text,
                 Io& io)
{
    if (output.empty() || output == "-")
        return WriteOut(io, text);
    auto resolved = resolve(output);
    if (!resolved) {
        Say(io, Shown(resolved.error().about), resolved.error().what);
        return kFailure;
    }
    if (const int* fd = std::get_if<int>(&*resolved))
        return writeDescriptor(io, *fd, output, text);
    const Place& place = std::get<Place>(*resolved);
    // Writing over the ROM itself would destroy it, by whatever name, link or hard link it is reached.
    struct stat rom {};
    if (place.entry && ::stat(romPath.c_str(), &rom) == 0 && rom.st_dev == place.entry->st_dev &&
        rom.st_ino == place.entry->st_ino) {
        Say(io, Shown(output), "is the ROM itself; nothing written");
        return kFailure;
    }
    const Written written =
        !place.entry || S_ISREG(place.entry->st_mode) ? replaceFile(place, text) : writeInPlace(place, text);
    if (!written) {
        Say(io, Shown(output), "cannot be written: " + written.error());
        return kFailure;
    }
    return kSuccess;
}

}  // namespace cli
