#include "cli/record.h"

#include <algorithm>

namespace orte_cli {

void run_figures::add(const poll_record &r)
{
    ++polls;
    crc_errors += r.result == outcome::crc_error ? 1 : 0;
    timeouts += r.result == outcome::timeout ? 1 : 0;
    exceptions += r.result == outcome::exception ? 1 : 0;
    unexpected += r.result == outcome::foreign ? 1 : 0;
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

} // namespace orte_cli
