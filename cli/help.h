#pragma once

namespace orte_cli {

// orte-cli --help, in English (its Russian translation in the "text" context).
const char *help_text();

} // namespace orte_cli
