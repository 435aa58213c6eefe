#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>

namespace orte {

// The two byte-wise lookup tables of the Modbus RTU CRC-16 (reflected polynomial 0xA001).
// Entry i of the reflected table-driven CRC: its low byte feeds `hi`, its high byte `lo`.
namespace detail {
constexpr quint16 crc_entry(unsigned i)
{
    quint16 crc = quint16(i);
    for (int bit = 0; bit < 8; ++bit)
        crc = (crc & 1u) ? quint16((crc >> 1) ^ 0xA001u) : quint16(crc >> 1);
    return crc;
}

constexpr std::array<quint8, 256> make_table(bool high_order)
{
    std::array<quint8, 256> table {};
    for (unsigned i = 0; i < 256; ++i)
        table[i] = high_order ? quint8(crc_entry(i) & 0xFFu) : quint8(crc_entry(i) >> 8);
    return table;
}
} // namespace detail

constexpr std::array<quint8, 256> crc_table_hi = detail::make_table(true);
constexpr std::array<quint8, 256> crc_table_lo = detail::make_table(false);

static_assert(crc_table_hi[0] == 0x00 && crc_table_hi[1] == 0xC1 && crc_table_hi[2] == 0x81
                  && crc_table_hi[3] == 0x40,
              "high-order table");
static_assert(crc_table_lo[0] == 0x00 && crc_table_lo[1] == 0xC0 && crc_table_lo[2] == 0xC1
                  && crc_table_lo[3] == 0x01,
              "low-order table");

// The two accumulators after a run; `hi` is the byte sent first.
struct crc_pair
{
    quint8 hi;
    quint8 lo;
};

// CRC-16/MODBUS over `len` bytes (8-bit count, as on the link).
crc_pair modbus_crc16(const quint8 *data, quint8 len);

// Whole-frame check over the first n bytes of the buffer, CRC bytes included.
bool crc_check(const QByteArray &rx, quint8 n);

// The same over `length` bytes from `from`, a count of any size (a bus frame may have 256).
bool frame_crc_holds(const QByteArray &bytes, int from, int length);

} // namespace orte
