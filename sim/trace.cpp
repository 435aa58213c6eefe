#include "sim/trace.h"

#include <cstdio>

namespace sim {

void tracer::line(const std::string &text, double at) const
{
    if (!on)
        return;
    std::printf("%.3f %s\n", at - origin, text.c_str());
    std::fflush(stdout);
}

void tracer::frame(const char *what, const uint8_t *data, size_t n, double at,
                   const std::string &why) const
{
    if (!on)
        return;
    std::string text = what;
    char buf[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, " %02X", data[i]);
        text += buf;
    }
    line(why.empty() ? text : text + " (" + why + ")", at);
}

} // namespace sim
