#pragma once

// orte-sim's command line: what it is told to do, and its help text.

#include "link/line_format.h"
#include "sim/converter.h"

#include <string>
#include <vector>

namespace sim {

struct options
{
    std::string device;
    bool pty = false;
    std::string link;
    orte::line_format line;
    bool wire_timing = false;
    bool any_settings = false;
    std::string tap; // a second pty that hears the line, as a third device on the pair
    int tap_chunk_ms = 0; // the tap's adapter hands bytes over every so many ms (0: at once)
    bool tap_drops = false; // its adapter drops characters with a parity or framing error
    bool trace = false;
    std::string scenario_file;
    unsigned seed = 1;
    converter_state state;
    // Several converters on the line (--address 1,5,7): each its own image, the serial
    // numbers counting up from --serial. Empty: the one at state.address.
    std::vector<int> addresses;
    int tcp_port = -1; // serve Modbus TCP on 127.0.0.1 instead of a line (0: any free port)
};

// The converters of the line: one, or one at each address given, the serial numbers counting up.
std::vector<converter_state> converters_of(const options &o);

extern const char *const usage_text;

enum class command { run, help, error };

// Reads the command line into `out`; with command::error, `error` says what is wrong and names
// the option.
command parse_command_line(int argc, char **argv, options &out, std::string &error);

} // namespace sim
