#pragma once

// The console code orte-cli shares with the window programs, by its own names.

#include "console/console.h"
#include "console/interrupt.h"

namespace orte_cli {
using namespace orte_console;
} // namespace orte_cli
