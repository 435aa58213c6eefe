#pragma once

// Numbers and values as the simulator's user types them, on the command line and in scenarios.

#include <string>

namespace sim {

// A whole number written in decimal (with an optional '-') or in hexadecimal after 0x,
// within [min, max]; false for anything else (octal, trailing text, out of range).
bool parse_number(const std::string &text, long long min, long long max, long long &out);

// The same into a long, for ranges that fit one everywhere (32 bits on Windows).
inline bool parse_number(const std::string &text, long min, long max, long &out)
{
    long long value = 0;
    if (!parse_number(text, min, max, value))
        return false;
    out = long(value);
    return true;
}

// A value of the user's in quotes for a message, cut after 60 characters: a file pasted into
// an option must not flood the terminal.
std::string quoted(const std::string &text);

} // namespace sim
