#pragma once

#include <QByteArray>

// The tests' reference CRC-16/MODBUS, written bit by bit apart from the monitor's tables.
quint16 reference_crc(const QByteArray &data);
// The frame with its reference CRC appended, low byte first.
QByteArray with_reference_crc(QByteArray frame);

// "01 04 0A" -> bytes.
QByteArray hex_bytes(const char *spaced_hex);
