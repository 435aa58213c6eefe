#pragma once

#include <QByteArray>
#include <QString>

namespace orte {

struct ident_result
{
    bool device_found = false;
    QString string_name;
    // 0 or 1 for a known model; -1 leaves the previous value in place.
    int single_input = -1;
};

// The 15-byte reply to the identification request (input registers 50..54).
ident_result decode_ident(const QByteArray &rx);

// The model code: register 50's low byte.
quint8 model_code(const QByteArray &rx);

// "a.b.c.d" from bytes 5 to 8, and the monitor's "Версия ПО a.b.c.d".
QString version_digits(const QByteArray &rx);
QString version_text(const QByteArray &rx);

// The serial number, bytes 9 to 12, big-endian.
quint32 serial_number(const QByteArray &rx);

// "Заводской номер преобразователя  N".
QString serial_text(quint32 serial);

} // namespace orte
