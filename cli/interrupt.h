#pragma once

// Ctrl+C, a closed terminal or console window: what asks a running command to stop, and the
// waits that notice it.

#include <QtGlobal>

namespace orte_cli {

// The longest single wait: Ctrl+C is seen within it.
constexpr int wait_slice_ms = 20;

// Ctrl+C (a closed terminal or console window too) asks the running command to stop; waits
// end within a few tens of milliseconds.
void catch_interrupt();
// Says the command's work is done (a closed console window waits for it), and passes `code` on.
int finish(int code);
bool interrupted();

} // namespace orte_cli
