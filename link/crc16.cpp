#include "link/crc16.h"

#include "link/frame_bytes.h"

namespace orte {

namespace {
// One byte through the two accumulators.
inline void crc_step(crc_pair &crc, quint8 byte)
{
    const quint8 index = crc.hi ^ byte;
    crc.hi = crc.lo ^ crc_table_hi[index];
    crc.lo = crc_table_lo[index];
}
} // namespace

crc_pair modbus_crc16(const quint8 *data, quint8 len)
{
    crc_pair crc { 0xFF, 0xFF };
    for (quint8 i = 0; i < len; ++i)
        crc_step(crc, data[i]);
    return crc;
}

bool crc_check(const QByteArray &rx, quint8 n)
{
    if (n == 0)
        return false;
    crc_pair crc { 0xFF, 0xFF };
    for (quint8 i = 0; i < n; ++i)
        crc_step(crc, rx_at(rx, i));
    return crc.hi == 0 && crc.lo == 0;
}

bool frame_crc_holds(const QByteArray &bytes, int from, int length)
{
    if (length < 3 || from < 0 || from + length > bytes.size())
        return false;
    crc_pair crc { 0xFF, 0xFF };
    for (int i = from; i < from + length; ++i)
        crc_step(crc, quint8(bytes[i]));
    return crc.hi == 0 && crc.lo == 0;
}

} // namespace orte
