#pragma once

// The converter search on Qt's event loop: the identification request over every port,
// setting and address of a plan, the likeliest first. It reports by signals what it tries and
// what it hears, and never prints; stop() ends it at once.

#include "engine/exchange.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QVector>

namespace orte {

struct scan_plan
{
    QStringList ports; // one after another
    QVector<line_format> settings; // in the order they are tried
    int first_address = 1;
    int last_address = 128;
    bool all = false; // go on after the first converter
};

// Every combination of the lists, the likeliest first: 9600 8N1 and 19200 8E1, then the
// rest from the fastest speed down.
QVector<line_format> scan_order(const QVector<int> &bauds, const QString &parities,
                                const QVector<int> &stop_bits);

// "3 min 20 s", "45 s": a time left.
QString duration(qint64 ms);

// What an exchange heard that is not the converter's answer, for the user: an exception, a
// model outside the table, another slave's or a late frame, bytes that never formed a frame.
// Empty for silence and for a converter's identification.
QString what_answered(const exchange_result &r, quint8 address);

// Where one try is: a port, a setting, an address.
struct scan_place
{
    QString port;
    line_format settings;
    int address = 0;
};

class scan_engine : public QObject
{
    Q_OBJECT

public:
    explicit scan_engine(const scan_plan &plan, QObject *parent = nullptr);
    void start();
    void stop();
    int tried() const { return tries; }
    int total() const { return planned; }
    // From the pace so far.
    qint64 time_left_ms() const;

signals:
    void trying(const orte::scan_place &at);
    // A converter's identification reply.
    void found(const orte::scan_place &at, const QByteArray &ident);
    // Something answered that is not a converter (an exception, another model, a foreign
    // frame).
    void heard(const orte::scan_place &at, const orte::exchange_result &result);
    // Bytes that never formed a frame, once per port and setting.
    void garbled(const orte::scan_place &at);
    void port_failed(const QString &port, const QString &error);
    void port_gone(const orte::scan_place &at);
    // The search is over: `stopped` at stop(), with the try that would have come next.
    void finished(int converters, bool port_lost, bool stopped, const orte::scan_place &next);

private:
    void next_port();
    void next_setting();
    void next_address();
    void taken(const exchange_result &result);
    void end(bool stopped);
    scan_plan plan;
    port_exchange line;
    QElapsedTimer clock;
    int planned = 0;
    int tries = 0;
    int converters = 0;
    bool lost = false;
    bool stopping = false;
    bool garbled_here = false;
    int port_index = -1;
    int setting_index = 0;
    scan_place at;
};

} // namespace orte

Q_DECLARE_METATYPE(orte::scan_place)
