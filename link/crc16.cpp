#include "link/crc16.h"

namespace orte {

crc_pair modbus_crc16(const quint8 *data, quint8 len)
{
    quint8 hi = 0xFF;
    quint8 lo = 0xFF;
    for (quint8 i = 0; i < len; ++i) {
        const quint8 index = hi ^ data[i];
        hi = lo ^ crc_table_hi[index];
        lo = crc_table_lo[index];
    }
    return { hi, lo };
}

bool crc_check(const QByteArray &rx, quint8 n)
{
    if (n == 0)
        return false;
    quint8 hi = 0xFF;
    quint8 lo = 0xFF;
    for (quint8 i = 0; i < n; ++i) {
        const quint8 index = hi ^ rx_at(rx, i);
        hi = lo ^ crc_table_hi[index];
        lo = crc_table_lo[index];
    }
    return hi == 0 && lo == 0;
}

} // namespace orte
