#include "console/interrupt.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#include <windows.h>
#endif

namespace orte_console {

namespace {
volatile std::sig_atomic_t stop_asked = 0;
std::atomic<bool> work_done { false };

#ifdef _WIN32
BOOL WINAPI on_console_event(DWORD event)
{
    stop_asked = 1;
    // A closed console window (or a logoff) ends the process when this returns: give the
    // recording its few seconds to be finished first.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        for (int i = 0; i < 250 && !work_done; ++i)
            Sleep(20);
    return TRUE;
}
#else
void on_interrupt(int)
{
    stop_asked = 1;
}
#endif
} // namespace

void catch_interrupt()
{
#ifdef _WIN32
    SetConsoleCtrlHandler(on_console_event, TRUE);
#else
    // A closed terminal (SIGHUP) ends a recording as Ctrl+C does.
    for (int signal : { SIGINT, SIGTERM, SIGHUP })
        std::signal(signal, on_interrupt);
    // A closed standard output is seen as a failed write, so that files are finished.
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

int finish(int code)
{
    work_done = true;
    return code;
}

bool interrupted()
{
    return stop_asked != 0;
}

} // namespace orte_console
