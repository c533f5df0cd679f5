#include "rom/processhandlers.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iterator>
#include <string>

#include "rom/writeall.h"

namespace rom {

void IgnoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

void IgnoreBrokenPipeSignal()
{
    std::signal(SIGPIPE, SIG_IGN);
}

namespace {

const char* g_program = "";

[[noreturn]] void endWithOneLine()
{
    std::string what = "ended without a reason";
    if (const std::exception_ptr thrown = std::current_exception()) {
        try {
            std::rethrow_exception(thrown);
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
            what = "an exception of an unknown type";
        }
    }
    std::string line = std::string(g_program) + ": internal error: " + what;
    std::replace_if(line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    line += '\n';
    (void)WriteAll(STDERR_FILENO, line);  // nothing is left to tell of a failure
    // No destructors or exit handlers: the program's state is unknown, and they could throw again.
    std::_Exit(1);
}

}  // namespace

void ExitOnUncaughtException(const char* program)
{
    g_program = program;
    std::set_terminate(endWithOneLine);
}

namespace {

sigset_t stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int s : kStopSignals)
        sigaddset(&set, s);
    return set;
}

volatile std::sig_atomic_t g_received = 0;

void noteSignal(int signal)
{
    g_received = signal;
}

// Read by the handler: set only while the signals are held.
int g_removeFolder = -1;
char g_removeName[256] = "";

void removeThenEnd(int signal)
{
    if (g_removeName[0] != '\0')
        ::unlinkat(g_removeFolder, g_removeName, 0);
    // Raised again with its default action, it is delivered once this handler returns.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

StopSignalHandler::StopSignalHandler(void (*handler)(int), int flags)
{
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    action.sa_mask = stopSignals();
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
        m_installed[i] = ::sigaction(kStopSignals[i], nullptr, &m_old[i]) == 0 && m_old[i].sa_handler != SIG_IGN &&
                         ::sigaction(kStopSignals[i], &action, nullptr) == 0;
    }
}

StopSignalHandler::~StopSignalHandler()
{
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
        if (m_installed[i])
            ::sigaction(kStopSignals[i], &m_old[i], nullptr);
    }
}

DeferredSignals::DeferredSignals() : StopSignalHandler((g_received = 0, noteSignal), SA_RESTART) {}

const volatile std::sig_atomic_t& DeferredSignals::Received()
{
    return g_received;
}

RemovedOnSignal::RemovedOnSignal() : StopSignalHandler((g_removeName[0] = '\0', removeThenEnd), 0) {}

RemovedOnSignal::~RemovedOnSignal()
{
    WithStopSignalsHeld([] { g_removeName[0] = '\0'; });
}

void RemovedOnSignal::name(int folderFd, const char* name)
{
    g_removeFolder = folderFd;
    const std::size_t length = name ? std::strlen(name) : 0;
    if (length >= sizeof g_removeName) {
        g_removeName[0] = '\0';
        return;
    }
    std::memcpy(g_removeName, name ? name : "", length + 1);
}

sigset_t HoldStopSignals()
{
    const sigset_t held = stopSignals();
    sigset_t old;
    ::pthread_sigmask(SIG_BLOCK, &held, &old);
    return old;
}

void ReleaseStopSignals(const sigset_t& old)
{
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

const char* SignalName(int signal)
{
    switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    }
    return "another signal";
}

}  // namespace rom
