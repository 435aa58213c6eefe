#include "decode/ident.h"

#include "link/crc16.h"

#include <iterator>

namespace orte {

namespace {
struct model_entry
{
    const char *text;
    int single_input;
};

constexpr model_entry models[] = {
    { "Преобразователь ОРТЕ 473-220 найден", 0 }, { "Преобразователь ОРТЕ 473-221 найден", 0 },
    { "Преобразователь ОРТЕ 473-110 найден", 1 }, { "Преобразователь ОРТЕ 473-111 найден", 1 },
    { "Преобразователь ОРТЕ 473-200 найден", 0 }, { "Преобразователь ОРТЕ 473-201 найден", 0 },
    { "Преобразователь ОРТЕ 473-100 найден", 1 }, { "Преобразователь ОРТЕ 473-101 найден", 1 },
    { "Преобразователь ОРТЕ 473-120 найден", 1 }, { "Преобразователь ОРТЕ 473-121 найден", 1 },
};
constexpr const char *unknown_model = "Преобразователь ОРТЕ 473 не найден";
} // namespace

ident_result decode_ident(const QByteArray &rx)
{
    ident_result result;
    // Register 50: only its low byte carries the model code.
    const quint8 code = model_code(rx);
    if (code >= std::size(models)) {
        result.string_name = QString::fromUtf8(unknown_model);
        return result;
    }
    result.device_found = true;
    result.string_name = QString::fromUtf8(models[code].text);
    result.single_input = models[code].single_input;
    return result;
}

quint8 model_code(const QByteArray &rx)
{
    return rx_at(rx, 4);
}

QString version_digits(const QByteArray &rx)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(rx_at(rx, 5))
        .arg(rx_at(rx, 6))
        .arg(rx_at(rx, 7))
        .arg(rx_at(rx, 8));
}

QString version_text(const QByteArray &rx)
{
    return QString::fromUtf8("Версия ПО ") + version_digits(rx);
}

quint32 serial_number(const QByteArray &rx)
{
    return (quint32(rx_at(rx, 9)) << 24) | (quint32(rx_at(rx, 10)) << 16)
        | (quint32(rx_at(rx, 11)) << 8) | quint32(rx_at(rx, 12));
}

QString serial_text(quint32 serial)
{
    return QString::fromUtf8("Заводской номер преобразователя  %1").arg(serial);
}

} // namespace orte
