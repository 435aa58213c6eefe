#pragma once

// Recording converters on one line on Qt's event loop: each is identified (three tries: one
// lost reply must not end a recording before it begins), then measurement and status are polled
// in turn every period, each converter on its own period. A late poll starts its period again
// from itself (the exchange keeps the line silent a frame gap after every reply); a port that
// goes is reopened once a poll with the same settings. With several converters, one that stops
// answering is asked again for its identification, less often, so that it does not hold the
// others up, and one that returns is identified again.
// It reports by signals and never prints; stop() ends it at once.

#include "engine/exchange.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QVector>

namespace orte {

struct poll_plan
{
    QString port;
    line_format settings;
    QVector<int> addresses { 1 };
    int interval_ms = 300;
    int polls = 0; // each converter's; 0: until stop()
    int network_reply_ms = 0; // over the network (0: the default)
};

// A converter that stopped answering: after this many polls in a row without its reply.
constexpr int lost_after_polls = 3;
// How often a lost converter is asked again, at least.
constexpr int lost_retry_ms = 2000;

class poll_engine : public QObject
{
    Q_OBJECT

public:
    explicit poll_engine(const poll_plan &plan, QObject *parent = nullptr);
    void start();
    void stop();
    bool several() const { return plan.addresses.size() > 1; }

signals:
    void open_failed(const QString &error);
    // No converter answered the identification at `address`: what was heard instead (the last
    // try that heard anything, else the last try). With one converter the run ends.
    void not_identified(const orte::exchange_result &heard, int address);
    void identified(const QByteArray &ident, int address);
    // One poll: its exchange (nothing heard while the port is away). A lost converter's
    // identification tries are polls too, once it has been identified: the recording shows the
    // time it was away.
    void polled(const orte::exchange_result &result, bool measurement, int address);
    // A converter of several stopped answering; it is asked again every lost_retry_ms.
    void lost(int address);
    void port_gone();
    void port_back();
    // The end: `stopped` at stop(); `gone` while the port was away.
    void finished(bool gone, bool stopped);

private:
    struct unit
    {
        int address = 1;
        enum class phase { identifying, polling, lost } state = phase::identifying;
        int tries = 0;
        exchange_result heard;
        int polls = 0;
        int misses = 0;
        long long due = 0;
        bool measure_next = true;
        bool ever = false; // identified once: its tries while lost are recorded
    };
    void step();
    void done(const exchange_result &r);
    void identification_done(unit &u, const exchange_result &r);
    void poll_done(unit &u, const exchange_result &r, bool measurement);
    bool ever_identified() const;
    void end(bool stopped);
    poll_plan plan;
    port_exchange line;
    QTimer next;
    QElapsedTimer clock;
    QVector<unit> units;
    int current = -1;
    bool measuring = false; // the exchange in flight is a measurement
    bool over = false;
    bool started = false;
    bool gone = false;
    bool stopping = false;
};

} // namespace orte
