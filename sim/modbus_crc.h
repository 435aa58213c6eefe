#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

// CRC-16/MODBUS computed bit by bit from the polynomial, apart from the monitor's tables: the
// simulator and the tests check the monitor against this independent calculation.
constexpr uint16_t modbus_crc(const uint8_t *data, std::size_t size)
{
    uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

// The CRC appended to a frame, low byte first as on the wire.
inline void append_crc(std::vector<uint8_t> &frame)
{
    const uint16_t crc = modbus_crc(frame.data(), frame.size());
    frame.push_back(uint8_t(crc & 0xFF));
    frame.push_back(uint8_t(crc >> 8));
}

} // namespace sim
