#include "engine/record.h"

#include <algorithm>

namespace orte {

void run_figures::add(const poll_record &r)
{
    ++polls;
    crc_errors += r.result == exchange_outcome::crc_error ? 1 : 0;
    timeouts += r.result == exchange_outcome::timeout ? 1 : 0;
    exceptions += r.result == exchange_outcome::exception ? 1 : 0;
    unexpected += r.result == exchange_outcome::foreign ? 1 : 0;
    for (size_t i = 0; i < 2; ++i) {
        has_cold_junction[i] = has_cold_junction[i] || r.cold_junction[i].has_value();
        if (r.type[i])
            type[i] = r.type[i];
        if (!r.value[i])
            continue;
        input_figures &f = inputs[i];
        const double v = *r.value[i];
        f.min = f.count == 0 ? v : std::min(f.min, v);
        f.max = f.count == 0 ? v : std::max(f.max, v);
        f.sum += v;
        ++f.count;
    }
}

} // namespace orte
