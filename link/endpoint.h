#pragma once

// Where a port name leads: a serial port, or a line behind an Ethernet gateway. "tcp://HOST[:PORT]"
// is Modbus TCP (port 502 unless given), "rtu+tcp://HOST:PORT" the RTU frames as they are on a
// raw TCP socket (a serial device server). And Modbus TCP's header: a request framed for the
// socket, a reply taken off it as the RTU frame the reply path knows.

#include <QByteArray>
#include <QString>
#include <QVector>

namespace orte {

enum class transport { serial, modbus_tcp, rtu_tcp };

struct endpoint
{
    transport kind = transport::serial;
    QString host;
    quint16 port = 0;
    bool network() const { return kind != transport::serial; }
};

constexpr quint16 modbus_tcp_port = 502;

// False, with what is wrong in `error`, for a network name that cannot be used; anything that
// does not begin with a scheme is a serial port's name.
bool parse_endpoint(const QString &name, endpoint &out, QString &error);
bool is_network_port(const QString &name);

// A request over the network waits this long for its reply by default: the gateway's own
// serial exchange and the network's round trip.
constexpr int network_reply_ms = 1000;

// The Modbus TCP request for an RTU request (address, PDU, CRC): the header with `transaction`,
// protocol 0, the length, and the address as the unit id; then the PDU.
QByteArray mbap_request(const quint8 *rtu, int size, quint16 transaction);

// Takes one whole reply off the front of `buffer`: the RTU frame it stands for (unit id, PDU and
// a CRC of its own, so that the reply path judges it as on a serial line) and its transaction.
// False while no whole reply is there. A header that cannot begin a reply (another protocol, a
// length out of range) spoils what is buffered: `spoiled` then has those bytes, dropped.
bool mbap_take(QByteArray &buffer, QByteArray &rtu, quint16 &transaction, QByteArray &spoiled);

// The addresses of a line as a user writes them: "5", a range "1-4", a list of both "1,5,7-9";
// each 1 to 247 (decimal, or hexadecimal after 0x). Each once, in the order given. False for
// anything else or nothing.
bool parse_range(const QString &text, int &first, int &last);
bool parse_addresses(const QString &text, QVector<int> &out);

} // namespace orte
