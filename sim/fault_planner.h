#pragma once

// What the simulated converter sends back for one frame off the line: the Modbus slave's
// answer, then whatever fault the scenario has asked for. Pure: no line, no clock of its own.

#include "sim/converter.h"

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

// Whether a frame is a request this converter should act on.
enum class frame_verdict { request, broadcast, other_address, bad_crc, too_short };
frame_verdict check_frame(const std::vector<uint8_t> &frame, int address);
const char *verdict_text(frame_verdict verdict);

// A reader that wakes late on a busy machine misses the silence between two frames and reads
// them as one. When `chunk` is not one frame but begins with a whole one (by its function's
// length and its CRC), the length of that one; else 0.
size_t glued_frame_length(const std::vector<uint8_t> &chunk);

// The slave's answer to a request for it, by the Modbus order of checks: exception 01 for a
// function it does not have, 03 for a quantity out of range (or a request of the wrong
// length), 02 for data it does not have; else the coils or registers asked for.
std::vector<uint8_t> modbus_answer(const std::vector<uint8_t> &request,
                                   const converter_state &state);

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

} // namespace sim
