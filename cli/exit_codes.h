#pragma once

// orte-cli's exit codes, declared once: the help, the manual page and the README list this set
// (a unit test checks the help against it).

namespace orte_cli {

enum exit_code {
    success = 0, // scan: a converter found; watch: the recording ran to its end; listen: Ctrl+C
    not_found = 1,
    bad_arguments = 2,
    port_failed = 3, // cannot be opened, or gone (watch: and never came back)
    recording_incomplete = 4, // a row or the workbook could not be written
    interrupted_code = 130, // scan: Ctrl+C before any converter was found
    output_closed = 141, // standard output was closed (a pipe whose reader ended)
};

constexpr exit_code all_exit_codes[]
    = { success,          not_found,    bad_arguments, port_failed, recording_incomplete,
        interrupted_code, output_closed };

} // namespace orte_cli
