#include "decode/ident.h"

#include "decode/register_map.h"

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

namespace {
quint16 ident_register(const QByteArray &rx, int index)
{
    return reply_register(rx, index, reg::ident_first);
}
} // namespace

quint8 model_code(const QByteArray &rx)
{
    return quint8(ident_register(rx, reg::model) & 0xFF);
}

QString version_digits(const QByteArray &rx)
{
    const quint16 ab = ident_register(rx, reg::firmware_ab);
    const quint16 cd = ident_register(rx, reg::firmware_cd);
    return QStringLiteral("%1.%2.%3.%4").arg(ab >> 8).arg(ab & 0xFF).arg(cd >> 8).arg(cd & 0xFF);
}

QString version_text(const QByteArray &rx)
{
    return QString::fromUtf8("Версия ПО ") + version_digits(rx);
}

quint32 serial_number(const QByteArray &rx)
{
    return (quint32(ident_register(rx, reg::serial_high)) << 16)
        | ident_register(rx, reg::serial_low);
}

QString serial_text(quint32 serial)
{
    return QString::fromUtf8("Заводской номер преобразователя  %1").arg(serial);
}

} // namespace orte
