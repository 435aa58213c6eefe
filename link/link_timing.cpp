#include "link/link_timing.h"

#include <algorithm>
#include <cmath>

namespace orte {

int reply_window_ms(const line_format &format)
{
    const double needed = 12.5 * char_time_ms(format) + 35.0;
    return std::max(100, int(std::ceil(needed)));
}

int first_byte_window_ms(const line_format &format, int request_bytes)
{
    return int(std::ceil((request_bytes + 3.5) * char_time_ms(format))) + first_byte_margin_ms;
}

int poll_period_ms(const line_format &format)
{
    const double needed = 44.0 * char_time_ms(format) + 35.0;
    return std::max(300, int(std::ceil(needed)));
}

int exchange_limit_ms(const line_format &format, int reply_bytes)
{
    const double on_wire = (8 + 3.5 + reply_bytes) * char_time_ms(format);
    return std::max(ident_wait_limit_ms, int(std::ceil(on_wire)) + reply_window_ms(format));
}

} // namespace orte
