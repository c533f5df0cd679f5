#include "rom/processhandlers.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
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

volatile std::sig_atomic_t g_received = 0;

void noteSignal(int signal)
{
    g_received = signal;
}

}  // namespace

DeferredSignals::DeferredSignals()
{
    g_received = 0;
    struct sigaction deferred {};
    deferred.sa_handler = noteSignal;
    deferred.sa_flags = SA_RESTART;
    sigemptyset(&deferred.sa_mask);
    for (const int s : kSignals)
        sigaddset(&deferred.sa_mask, s);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        m_installed[i] = ::sigaction(kSignals[i], nullptr, &m_old[i]) == 0 && m_old[i].sa_handler != SIG_IGN &&
                         ::sigaction(kSignals[i], &deferred, nullptr) == 0;
    }
}

DeferredSignals::~DeferredSignals()
{
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        if (m_installed[i])
            ::sigaction(kSignals[i], &m_old[i], nullptr);
    }
}

const volatile std::sig_atomic_t& DeferredSignals::Received()
{
    return g_received;
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
