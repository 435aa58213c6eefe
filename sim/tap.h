#pragma once

// A bus tap: a second virtual port that hears the simulated line in both directions, as a
// third device on the RS-485 pair does.

#include "sim/line.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class bus_tap
{
public:
    explicit bus_tap(const orte::line_format &format);
    bool open(const std::string &link, std::string &error);
    bool is_open() const { return opened; }
    // A copy of what the line carries. A listener at other settings than the line's hears
    // characters that form no valid frames, as on a real line.
    void copy(const uint8_t *data, size_t n);
    // What a listener wrote to the tap (a listener never should).
    std::vector<uint8_t> written_to_it();

private:
    serial_line port;
    bool opened = false;
};

} // namespace sim
