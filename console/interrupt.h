#pragma once

// Ctrl+C, a closed terminal or console window: what asks a running command to stop, and the
// waits that notice it.

#include <QEventLoop>
#include <QTimer>
#include <QtGlobal>

namespace orte_console {

// The longest single wait: Ctrl+C is seen within it.
constexpr int wait_slice_ms = 20;

// Ctrl+C (a closed terminal or console window too) asks the running command to stop; waits
// end within a few tens of milliseconds.
void catch_interrupt();
// Says the command's work is done (a closed console window waits for it), and passes `code` on.
int finish(int code);
bool interrupted();

// Starts `engine` and runs `loop` until the engine's end quits it. Ctrl+C is a flag set by a
// signal handler: it is looked at while the loop runs, and stops the engine.
template<typename Engine> void run_engine(Engine &engine, QEventLoop &loop)
{
    QTimer interrupt;
    QObject::connect(&interrupt, &QTimer::timeout, &loop, [&engine] {
        if (interrupted())
            engine.stop();
    });
    interrupt.start(wait_slice_ms);
    engine.start();
    loop.exec();
}

} // namespace orte_console
