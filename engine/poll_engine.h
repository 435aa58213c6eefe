#pragma once

// Recording a converter on Qt's event loop: it is identified (three tries: one lost reply must
// not end a recording before it begins), then measurement and status are polled in turn every
// period. A late poll starts the period again from itself (the exchange keeps the line silent
// a frame gap after every reply); a port that goes is reopened once a poll with the same settings.
// It reports by signals and never prints; stop() ends it at once.

#include "engine/exchange.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace orte {

struct poll_plan
{
    QString port;
    line_format settings;
    int address = 1;
    int interval_ms = 300;
    int polls = 0; // 0: until stop()
};

class poll_engine : public QObject
{
    Q_OBJECT

public:
    explicit poll_engine(const poll_plan &plan, QObject *parent = nullptr);
    void start();
    void stop();

signals:
    void open_failed(const QString &error);
    // No converter answered the identification: what was heard instead (the last try that
    // heard anything, else the last try).
    void not_identified(const orte::exchange_result &heard);
    void identified(const QByteArray &ident);
    // One poll: its exchange (nothing heard while the port is away).
    void polled(const orte::exchange_result &result, bool measurement);
    void port_gone();
    void port_back();
    // The end: `stopped` at stop(); `gone` while the port was away.
    void finished(bool gone, bool stopped);

private:
    void identify();
    void identification_done(const exchange_result &r);
    void poll();
    void poll_done(const exchange_result &r);
    void schedule();
    void end(bool stopped);
    poll_plan plan;
    port_exchange line;
    QTimer next;
    QElapsedTimer clock;
    enum class phase { idle, identifying, polling, over } state = phase::idle;
    int ident_tries = 0;
    exchange_result heard;
    int polls_done = 0;
    long long due = 0;
    bool gone = false;
    bool stopping = false;
};

} // namespace orte
