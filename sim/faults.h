#pragma once

// The faults a scenario asks for, and what the converter sends back for one request with them:
// the Modbus slave's answer, spoiled, delayed or withheld. Pure: no line, no clock of its own.

#include "sim/converter.h"
#include "sim/scenario.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace sim {

// Faults asked for and not yet spent.
struct pending_faults
{
    long silent_left = 0;
    long garbage_bytes = 0;
    bool corrupt_next = false;
    int exception_code = 0;
    bool wrong_length_next = false;
    long split_at = 0;
    long split_ms = 0;
    long delay_ms = 0;
    double noise_until = 0;
    double dropout_until = 0;
};

// One reply: nothing (and why), or bytes to send after a delay, possibly in two pieces.
struct reply_plan
{
    std::vector<uint8_t> bytes;
    std::string silence; // why nothing is sent
    double delay_ms = 0;
    size_t split_at = 0; // 0: in one piece
    double split_ms = 0;
};

// The reply to a request for this converter at time `now_ms`, spending the faults it uses.
reply_plan plan_reply(const std::vector<uint8_t> &request, const converter_state &state,
                      pending_faults &faults, double now_ms, std::mt19937 &rng);

// `n` random bytes of line noise.
std::vector<uint8_t> random_bytes(size_t n, std::mt19937 &rng);

// Line noise at the line's own rate: how many bytes are due at `now_ms` since `last_ms` (kept
// by the caller, in bursts of at least 5 ms), at most 512 at a time.
size_t noise_bytes_due(double now_ms, double &last_ms, double char_ms);

// Runs one scenario step that changes the converter or asks for a fault, at `now_ms`. The
// steps that act on the line (stray) or on the scenario (repeat) are the caller's.
void apply_step(const step &s, converter_state &state, pending_faults &faults, double now_ms);

} // namespace sim
