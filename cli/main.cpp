#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <istream>
#include <ostream>

#include "cli/commands.h"
#include "cli/fdstream.h"
#include "rom/processhandlers.h"
#include "rom/romfile.h"

int main(int argc, char** argv)
{
    rom::ExitOnUncaughtException("quorvane-cli");
    rom::IgnoreFileSizeSignal();
    rom::IgnoreBrokenPipeSignal();
    // A closed standard stream's number would go to the next file opened, and the ROM would be read as
    // the table or receive the output. /dev/null holds it instead, opened the wrong way round so that
    // using it fails as a closed stream does ("Bad file descriptor").
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF && ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY) != fd)
            return cli::kFailure;
    }
    cli::FdInput inBuffer(STDIN_FILENO);
    cli::FdOutput outBuffer(STDOUT_FILENO), errBuffer(STDERR_FILENO);
    std::istream in(&inBuffer);
    std::ostream out(&outBuffer);
    // Not unit-buffered: a failed flush would throw from a stream's sentry, a destructor, and end the
    // program whatever its status. Every message is flushed where it is said (cli::Say).
    std::ostream err(&errBuffer);
    cli::Io io{in, out, err, rom::SystemFiles()};
    return cli::Run(std::vector<std::string>(argv + 1, argv + argc), io);
}
