#include "cli/output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>
#include <string>
#include <system_error>

#include "cli/text.h"
#include "rom/result.h"
#include "rom/writeall.h"

namespace cli {
namespace {

// Done, or the system's reason it could not be.
using Written = rom::Result<void, std::string>;

std::string systemReason()
{
    return std::strerror(errno);
}

bool writeAll(int fd, std::string_view text)
{
    const int err = rom::WriteAll(fd, text);
    errno = err;
    return err == 0;
}

// A symbolic link stands for the file it names: that file is the one replaced, the link stays.
std::filesystem::path followLinks(std::filesystem::path path)
{
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!std::filesystem::is_symlink(path, error))
            break;
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error)
            break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

// Devices and FIFOs (/dev/null, a pipe to a pager) cannot be replaced: they are written as they are.
Written writeInPlace(const std::filesystem::path& path, std::string_view text)
{
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return systemReason();
    const bool written = writeAll(fd, text);
    std::string reason = written ? std::string() : systemReason();
    if (::close(fd) != 0 && written)
        reason = systemReason();
    if (!reason.empty())
        return reason;
    return {};
}

// A failed export must not destroy the previous one: the text goes to a file beside the target,
// is synced, and only then takes the target's place; the folder is synced so that the new name lasts.
Written replaceFile(const std::filesystem::path& path, const struct stat* existing, std::string_view text)
{
    const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    std::string temporary = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return systemReason();
    mode_t mode;
    if (existing) {
        mode = existing->st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;  // what creating the file directly would have given it
    }
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, text) && ::fsync(fd) == 0;
    std::string reason = ok ? std::string() : systemReason();
    if (::close(fd) != 0 && ok) {
        ok = false;
        reason = systemReason();
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        reason = systemReason();
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return reason;
    }
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0 || ::fsync(folderFd) != 0) {
        reason = systemReason();
        if (folderFd >= 0)
            ::close(folderFd);
        return "written, but its folder could not be synced: " + reason;
    }
    ::close(folderFd);
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
    std::string reason;
    try {
        std::streambuf* out = io.out.rdbuf();
        if (!io.out || !out || out->sputn(text.data(), static_cast<std::streamsize>(text.size())) !=
                                   static_cast<std::streamsize>(text.size()) || out->pubsync() != 0)
            reason = "writing failed";
    } catch (const std::system_error& e) {
        reason = e.code().message();
    }
    if (reason.empty())
        return kSuccess;
    Say(io, "standard output", reason);
    return kFailure;
}

Exit WriteOutput(const std::filesystem::path& romPath, const std::filesystem::path& output, std::string_view text,
                 Io& io)
{
    if (output.empty() || output == "-")
        return WriteOut(io, text);
    // Writing over the ROM itself would destroy it.
    std::error_code same;
    if (std::filesystem::equivalent(romPath, output, same)) {
        Say(io, Shown(output), "is the ROM itself; nothing written");
        return kFailure;
    }
    const std::filesystem::path target = followLinks(output);
    const Written written = [&]() -> Written {
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0)
            return S_ISREG(st.st_mode) ? replaceFile(target, &st, text) : writeInPlace(target, text);
        if (errno == ENOENT)
            return replaceFile(target, nullptr, text);
        return systemReason();
    }();
    if (!written) {
        Say(io, Shown(output), "cannot be written: " + written.error());
        return kFailure;
    }
    return kSuccess;
}

}  // namespace cli
