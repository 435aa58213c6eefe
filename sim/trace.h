#pragma once

// The simulator's trace on standard output: "MS rx|tx HEX", "MS rx? HEX (why)" and
// "MS step LINE ACTION", MS being milliseconds since the start (or the last repeat).

#include <cstddef>
#include <cstdint>
#include <string>

namespace sim {

class tracer
{
public:
    bool on = false;
    double origin = 0;

    void line(const std::string &text, double at) const;
    void frame(const char *what, const uint8_t *data, size_t n, double at,
               const std::string &why = {}) const;
};

} // namespace sim
