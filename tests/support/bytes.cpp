#include "bytes.h"

#include "sim/modbus_crc.h"

QByteArray hex_bytes(const char *spaced_hex)
{
    return QByteArray::fromHex(QByteArray(spaced_hex).replace(' ', ""));
}

quint16 reference_crc(const QByteArray &data)
{
    return sim::modbus_crc(reinterpret_cast<const uint8_t *>(data.constData()),
                           std::size_t(data.size()));
}

QByteArray with_reference_crc(QByteArray frame)
{
    const quint16 crc = reference_crc(frame);
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    return frame;
}
