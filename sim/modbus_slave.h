#pragma once

// The Modbus slave: which frames are requests for this converter, and the answer to each.

#include "sim/converter.h"

#include <cstdint>
#include <vector>

namespace sim {

// Whether a frame is a request this converter should act on.
enum class frame_verdict { request, broadcast, other_address, bad_crc, too_short };
frame_verdict check_frame(const std::vector<uint8_t> &frame, int address);
const char *verdict_text(frame_verdict verdict);

// The slave's answer to a request for it, by the Modbus order of checks: exception 01 for a
// function it does not have, 03 for a quantity out of range (or a request of the wrong
// length), 02 for data it does not have; else the coils or registers asked for.
std::vector<uint8_t> modbus_answer(const std::vector<uint8_t> &request,
                                   const converter_state &state);

// Exception `code` to the request.
std::vector<uint8_t> exception_reply(const std::vector<uint8_t> &request, uint8_t code);

} // namespace sim
