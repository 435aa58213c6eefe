#pragma once

#include "link/crc16.h"

#include <QtGlobal>

#include <array>

namespace orte {

// A Modbus RTU request: address, function, start (2), quantity (2), CRC (2).
using request_frame = std::array<quint8, 8>;

// Fixed requests, built for address 1; every send stamps the real address and CRC.
constexpr request_frame make_request(quint8 function, quint16 start, quint16 quantity)
{
    return { 0x01,
             function,
             quint8(start >> 8),
             quint8(start & 0xFF),
             quint8(quantity >> 8),
             quint8(quantity & 0xFF),
             0,
             0 };
}

// Stamps the slave address and a fresh CRC into the frame, in place.
inline void stamp_request(request_frame &frame, quint8 address)
{
    frame[0] = address;
    const crc_pair crc = modbus_crc16(frame.data(), 6);
    frame[6] = crc.hi;
    frame[7] = crc.lo;
}

inline request_frame stamped(request_frame frame)
{
    stamp_request(frame, frame[0]);
    return frame;
}

inline request_frame stamped_at(request_frame frame, quint8 address)
{
    stamp_request(frame, address);
    return frame;
}

// What a validated reply is, by its length alone.
enum class reply_kind { exception, status, ident, measure, unexpected };

constexpr reply_kind classify_reply(quint8 n)
{
    switch (n) {
    case 5:
        return reply_kind::exception;
    case 6:
        return reply_kind::status;
    case 15:
        return reply_kind::ident;
    case 29:
        return reply_kind::measure;
    default:
        return reply_kind::unexpected;
    }
}

} // namespace orte
