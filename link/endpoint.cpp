#include "link/endpoint.h"

#include "link/crc16.h"

#include <QCoreApplication>
#include <QUrl>

namespace orte {

bool is_network_port(const QString &name)
{
    return name.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive)
        || name.startsWith(QLatin1String("rtu+tcp://"), Qt::CaseInsensitive);
}

bool parse_endpoint(const QString &name, endpoint &out, QString &error)
{
    out = {};
    if (!is_network_port(name))
        return true;
    const bool rtu = name.startsWith(QLatin1String("rtu+"), Qt::CaseInsensitive);
    const QUrl url(name, QUrl::StrictMode);
    const bool plain = url.isValid() && url.userInfo().isEmpty() && url.query().isEmpty()
        && url.fragment().isEmpty() && (url.path().isEmpty() || url.path() == QLatin1String("/"));
    if (!plain || url.host().isEmpty()) {
        error = QCoreApplication::translate("text", "%1 is not HOST[:PORT] after the scheme")
                    .arg(name);
        return false;
    }
    if (rtu && url.port() < 0) {
        error = QCoreApplication::translate("text", "%1 names no TCP port (rtu+tcp://HOST:PORT)")
                    .arg(name);
        return false;
    }
    if (url.port() == 0) {
        error = QCoreApplication::translate("text", "%1: port 0 cannot be reached").arg(name);
        return false;
    }
    out.kind = rtu ? transport::rtu_tcp : transport::modbus_tcp;
    out.host = url.host();
    out.port = quint16(url.port(modbus_tcp_port));
    return true;
}

QByteArray mbap_request(const quint8 *rtu, int size, quint16 transaction)
{
    const int pdu = size - 3; // less the address and the CRC
    QByteArray out;
    out.reserve(7 + pdu);
    out.append(char(transaction >> 8)).append(char(transaction & 0xFF));
    out.append('\0').append('\0');
    out.append(char((pdu + 1) >> 8)).append(char((pdu + 1) & 0xFF));
    out.append(reinterpret_cast<const char *>(rtu), 1 + pdu);
    return out;
}

bool mbap_take(QByteArray &buffer, QByteArray &rtu, quint16 &transaction, QByteArray &spoiled)
{
    spoiled.clear();
    if (buffer.size() < 7)
        return false;
    const auto at = [&](int i) { return quint8(buffer[i]); };
    const int length = (at(4) << 8) | at(5);
    // A Modbus PDU is at most 253 bytes; the length counts the unit id too.
    if (at(2) != 0 || at(3) != 0 || length < 2 || length > 254) {
        spoiled.swap(buffer);
        return false;
    }
    if (buffer.size() < 6 + length)
        return false;
    transaction = quint16((at(0) << 8) | at(1));
    rtu = buffer.mid(6, length);
    buffer.remove(0, 6 + length);
    const crc_pair crc
        = modbus_crc16(reinterpret_cast<const quint8 *>(rtu.constData()), quint8(rtu.size()));
    rtu.append(char(crc.hi)).append(char(crc.lo));
    return true;
}

namespace {
bool address_number(const QString &text, int &out)
{
    const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const QString digits = hex ? text.mid(2) : text;
    bool ok = !digits.isEmpty();
    for (const QChar c : digits)
        ok = ok && (c.isDigit() || (hex && QStringLiteral("abcdefABCDEF").contains(c)));
    out = ok ? digits.toInt(&ok, hex ? 16 : 10) : 0;
    return ok && out >= 1 && out <= 247;
}
} // namespace

bool parse_range(const QString &text, int &first, int &last)
{
    const QStringList ends = text.split(QLatin1Char('-'));
    return ends.size() <= 2 && address_number(ends[0].trimmed(), first)
        && address_number(ends.constLast().trimmed(), last) && first <= last;
}

bool parse_addresses(const QString &text, QVector<int> &out)
{
    out.clear();
    for (const QString &item : text.split(QLatin1Char(','))) {
        int first = 0, last = 0;
        if (!parse_range(item.trimmed(), first, last))
            return false;
        for (int a = first; a <= last; ++a)
            if (!out.contains(a))
                out << a;
    }
    return !out.isEmpty();
}

} // namespace orte
