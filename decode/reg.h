#pragma once

#include "link/crc16.h"
#include "link/frame_bytes.h"

namespace orte {

// A Modbus register as a signed 16-bit value, high byte first.
inline qint16 reg_at(const QByteArray &rx, int index)
{
    return qint16(quint16((rx_at(rx, index) << 8) | rx_at(rx, index + 1)));
}

} // namespace orte
