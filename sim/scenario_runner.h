#pragma once

// When a scenario's steps run: a pure function of the clock and the requests counted, so that
// it can be tried without a line.

#include "sim/scenario.h"

#include <vector>

namespace sim {

class scenario_runner
{
public:
    scenario_runner() = default;
    scenario_runner(scenario s, double start_ms);

    // The steps due at `now_ms` by time since the start, in file order, each once. A repeat
    // starts the scenario over from `now_ms` (clock and request count) and ends the list.
    std::vector<step> due(double now_ms);
    // A request arrived at `now_ms`: it is counted, and the steps due by its number or by
    // time come back as with due().
    std::vector<step> request_arrived(double now_ms);

private:
    scenario script;
    std::vector<bool> done;
    double origin = 0;
    long requests = 0;
};

} // namespace sim
