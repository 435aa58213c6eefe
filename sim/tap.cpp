#include "sim/tap.h"

namespace sim {

bus_tap::bus_tap(const orte::line_format &format)
    : port(format)
{
}

bool bus_tap::open(const std::string &link, std::string &error)
{
    opened = port.open_pty(link, error);
    return opened;
}

void bus_tap::copy(const uint8_t *data, size_t n)
{
    if (!opened)
        return;
    std::vector<uint8_t> heard(data, data + n);
    if (!port.settings_mismatch().empty())
        for (uint8_t &b : heard)
            b = uint8_t((b ^ 0xA5) + 0x3C);
    port.write_all(heard.data(), heard.size());
}

std::vector<uint8_t> bus_tap::written_to_it()
{
    double at = 0;
    bool gone = false;
    return opened ? port.read_frame(0, at, gone) : std::vector<uint8_t> {};
}

} // namespace sim
