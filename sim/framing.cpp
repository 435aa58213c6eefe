#include "sim/framing.h"

#include "sim/modbus_crc.h"

namespace sim {

size_t glued_frame_length(const std::vector<uint8_t> &chunk)
{
    if (chunk.size() < 4 || modbus_crc(chunk.data(), chunk.size()) == 0)
        return 0;
    size_t n = 0;
    const uint8_t function = chunk[1];
    if (function >= 1 && function <= 6)
        n = 8;
    else if ((function == 15 || function == 16) && chunk.size() > 6)
        n = 9 + size_t(chunk[6]);
    return n > 0 && n < chunk.size() && modbus_crc(chunk.data(), n) == 0 ? n : 0;
}

std::vector<std::vector<uint8_t>> split_frames(std::vector<uint8_t> chunk)
{
    std::vector<std::vector<uint8_t>> frames;
    while (const size_t n = glued_frame_length(chunk)) {
        frames.emplace_back(chunk.begin(), chunk.begin() + long(n));
        chunk.erase(chunk.begin(), chunk.begin() + long(n));
    }
    frames.push_back(std::move(chunk));
    return frames;
}

} // namespace sim
