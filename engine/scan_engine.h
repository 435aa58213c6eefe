#pragma once

// The converter search on Qt's event loop: the identification request over every port,
// setting and address of a plan, the likeliest first, in two passes. The first waits at each
// try only as long as a converter that answers promptly needs to begin its reply (a reply
// that has begun is waited for to its end); only when it finds nothing, the second goes over
// everything again with the monitor's full reply windows, the settings at which the first
// heard anything first. It reports by signals what it tries and what it hears, and never
// prints; stop() ends it at once.

#include "engine/exchange.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
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
    // Ports over the network (a gateway keeps the line's settings: addresses alone are
    // searched, in one pass with the full reply window): the window, 0 for the default.
    int network_reply_ms = 0;
};

// The monitor's eleven speeds, 1200 to 921600: the search's default, and what the windows
// offer.
const QVector<int> &monitor_speeds();

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
    // A converter found by a reply heard after its own try had ended: about how late it
    // answered, in ms (0: in time).
    int late_ms = 0;
};

// An identification reply of a converter, whole and valid, among what an exchange heard that
// did not answer it: a reply to an earlier try, late. Empty where there is none.
QByteArray late_identification(const exchange_result &r);

class scan_engine : public QObject
{
    Q_OBJECT

public:
    explicit scan_engine(const scan_plan &plan, QObject *parent = nullptr);
    void start();
    void stop();
    int tried() const { return tries; }
    // The tries of both passes.
    int total() const { return planned; }
    // 1 or 2.
    int pass() const { return current_pass; }
    // What the rest of the plan takes on a silent line: each try's wait, both passes.
    qint64 time_left_ms() const;

signals:
    void trying(const orte::scan_place &at);
    // A converter's identification reply; with `at.late_ms`, one heard during a later try at
    // the same settings, at the address it names.
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
    // A port and a setting of the plan, by their indexes.
    struct place
    {
        int port;
        int setting;
    };
    void next_place();
    void next_address();
    void taken(const exchange_result &result);
    // A converter's reply heard late at this setting: found, at the address it names.
    bool take_late(const QByteArray &ident, qint64 quiet_ms);
    // Says a converter found there, once a setting; false when it was already.
    bool report(const scan_place &there, const QByteArray &ident);
    void next_setting();
    void end(bool stopped);
    // One try's wait at a setting in a pass, on a silent line.
    qint64 try_ms(int setting, int pass) const;
    scan_plan plan;
    bool network = false;
    port_exchange line;
    int planned = 0;
    int tries = 0;
    int converters = 0;
    bool lost = false;
    bool stopping = false;
    bool garbled_here = false;
    bool heard_last = false; // the last try heard something: its tail may still be coming
    int retries_here = 0; // garbled tries asked again at this setting
    bool retrying = false;
    int retried = -1; // the address asked again
    QElapsedTimer clock;
    QHash<int, qint64> sent_at; // this setting's tries: when each address was asked
    QSet<int> found_here; // the addresses found at this setting
    int current_pass = 1;
    QVector<place> places; // the current pass's, in order
    int step = -1;
    QVector<bool> heard_first; // by place of the first pass: something came
    QVector<bool> port_failed_here; // by port: cannot be opened, or gone
    scan_place at;
};

} // namespace orte

Q_DECLARE_METATYPE(orte::scan_place)
