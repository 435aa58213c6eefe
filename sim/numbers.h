#pragma once

// Numbers and values as the simulator's user types them, on the command line and in scenarios.

#include <string>

namespace sim {

// A whole number written in decimal (with an optional '-') or in hexadecimal after 0x,
// within [min, max]; false for anything else (octal, trailing text, out of range).
bool parse_number(const std::string &text, long min, long max, long &out);

// A value of the user's in quotes for a message, cut after 60 characters: a file pasted into
// an option must not flood the terminal.
std::string quoted(const std::string &text);

} // namespace sim
