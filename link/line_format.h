#pragma once

// The character format of a serial line: speed, parity and stop bits, with eight data bits.
// Plain C++, so that the simulator shares it with the monitor and orte-cli.

#include <string>

namespace orte {

struct line_format
{
    int baud = 9600;
    char parity = 'N'; // 'N', 'E' or 'O'
    int stop_bits = 1;

    bool has_parity() const { return parity != 'N'; }
    bool operator==(const line_format &o) const
    {
        return baud == o.baud && parity == o.parity && stop_bits == o.stop_bits;
    }
    // "19200 8O2"
    std::string text() const
    {
        return std::to_string(baud) + " 8" + parity + std::to_string(stop_bits);
    }
};

// One character on the wire (start bit, 8 data bits, parity, stop bits), in milliseconds.
inline double char_time_ms(const line_format &format)
{
    const int bits = 1 + 8 + (format.has_parity() ? 1 : 0) + format.stop_bits;
    return 1000.0 * bits / (format.baud > 0 ? format.baud : 9600);
}

// The silence that ends a frame: 3.5 characters, and 1.75 ms above 19200 baud, as Modbus RTU
// fixes it. A master leaves at least this much after a reply before its next request.
inline double frame_gap_ms(const line_format &format)
{
    const double gap = 3.5 * char_time_ms(format);
    return format.baud > 19200 && gap < 1.75 ? 1.75 : gap;
}

} // namespace orte
