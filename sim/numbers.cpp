#include "sim/numbers.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace sim {

bool parse_number(const std::string &text, long long min, long long max, long long &out)
{
    // Decimal, or hexadecimal after 0x: never octal, so that 010 is ten.
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const bool negative = !hex && !text.empty() && text[0] == '-';
    const std::string digits = hex ? text.substr(2) : negative ? text.substr(1) : text;
    if (digits.empty()
        || digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789")
            != std::string::npos)
        return false;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), nullptr, hex ? 16 : 10);
    if (errno != 0 || value < min || value > max)
        return false;
    out = value;
    return true;
}

std::string quoted(const std::string &text)
{
    constexpr size_t limit = 60;
    size_t end = 0;
    size_t characters = 0;
    while (end < text.size() && characters < limit) {
        ++end;
        // Whole UTF-8 sequences only: continuation bytes go with their lead byte.
        while (end < text.size() && (uint8_t(text[end]) & 0xC0) == 0x80)
            ++end;
        ++characters;
    }
    return "'" + text.substr(0, end) + (end < text.size() ? "...'" : "'");
}

} // namespace sim
