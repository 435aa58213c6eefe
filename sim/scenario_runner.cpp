#include "sim/scenario_runner.h"

namespace sim {

scenario_runner::scenario_runner(scenario s, double start_ms)
    : script(std::move(s))
    , done(script.steps.size(), false)
    , origin(start_ms)
{
}

std::vector<step> scenario_runner::due(double now_ms)
{
    std::vector<step> steps;
    const double elapsed = (now_ms - origin) / 1000.0;
    for (size_t i = 0; i < script.steps.size(); ++i) {
        const step &s = script.steps[i];
        const bool is_due = s.by_request ? s.at_request == requests : s.at_seconds <= elapsed;
        if (done[i] || !is_due)
            continue;
        done[i] = true;
        steps.push_back(s);
        if (s.kind == action_kind::repeat) {
            origin = now_ms;
            requests = 0;
            done.assign(done.size(), false);
            break;
        }
    }
    return steps;
}

std::vector<step> scenario_runner::request_arrived(double now_ms)
{
    ++requests;
    return due(now_ms);
}

} // namespace sim
