#pragma once

// The converter's register map: what each input register and coil holds, and the three reads
// the monitor makes of them. Byte offsets into a reply appear only in reply_register().

#include "link/frame_bytes.h"
#include "link/frames.h"
#include "link/modbus.h"

#include <QByteArray>

namespace orte {
namespace reg {

// Input registers 0..11, read by the measurement request.
constexpr int measure_first = 0;
constexpr int measure_count = 12;
constexpr int in1_whole = 0; // the value's whole part, signed
constexpr int in1_milli = 1; // and its thousandths, signed
constexpr int in2_whole = 2;
constexpr int in2_milli = 3;
constexpr int in1_type = 4; // the sensor type code, low byte
constexpr int in2_type = 5;
constexpr int in1_cold_junction = 6; // tenths of a degree, signed
constexpr int in2_cold_junction = 7;

// Input registers 50..54, read by the identification request.
constexpr int ident_first = 50;
constexpr int ident_count = 5;
constexpr int model = 50; // the model code, low byte
constexpr int firmware_ab = 51; // firmware a.b.c.d: a and b
constexpr int firmware_cd = 52; // c and d
constexpr int serial_high = 53; // the serial number, high word first
constexpr int serial_low = 54;

// Coils 0..7, read by the status request: the status byte, bit n from coil n.
constexpr int status_first = 0;
constexpr int status_count = 8;

} // namespace reg

// Register `index` of a read that began at `first`, unsigned, from a read reply (address,
// function, byte count, then the registers high byte first).
inline quint16 reply_register(const QByteArray &reply, int index, int first)
{
    const int at = 3 + 2 * (index - first);
    return quint16((rx_at(reply, at) << 8) | rx_at(reply, at + 1));
}

// The monitor's three requests, built for address 1; every send stamps the real address.
inline request_frame initial_req_measure()
{
    return stamped(
        make_request(modbus::read_input_registers, reg::measure_first, reg::measure_count));
}
inline request_frame initial_req_status()
{
    return stamped(make_request(modbus::read_coils, reg::status_first, reg::status_count));
}
inline request_frame initial_req_ident()
{
    return stamped(make_request(modbus::read_input_registers, reg::ident_first, reg::ident_count));
}

} // namespace orte
