#include "engine/poll_engine.h"

#include "decode/ident.h"
#include "decode/register_map.h"
#include "link/link_timing.h"

#include <algorithm>

namespace orte {

namespace {
constexpr int identification_tries = 3;
} // namespace

poll_engine::poll_engine(const poll_plan &p, QObject *parent)
    : QObject(parent)
    , plan(p)
{
    next.setSingleShot(true);
    connect(&next, &QTimer::timeout, this, &poll_engine::poll);
    connect(&line, &port_exchange::done, this, [this](const exchange_result &r) {
        if (state == phase::identifying)
            identification_done(r);
        else if (state == phase::polling)
            poll_done(r);
    });
}

void poll_engine::start()
{
    QTimer::singleShot(0, this, [this] {
        QString error;
        if (!line.open(plan.port, plan.settings, error)) {
            state = phase::over;
            emit open_failed(error);
            emit finished(false, false);
            return;
        }
        state = phase::identifying;
        identify();
    });
}

void poll_engine::stop()
{
    stopping = true;
    if (line.busy())
        line.stop(); // done() follows with `stopped`
    else if (state == phase::polling)
        end(true);
}

void poll_engine::identify()
{
    ++ident_tries;
    line.send(initial_req_ident(), quint8(plan.address));
}

void poll_engine::identification_done(const exchange_result &r)
{
    if (r.stopped)
        return end(true);
    if (r.port_lost) {
        gone = true;
        emit port_gone();
        return end(false);
    }
    if (r.frame && r.kind == reply_kind::ident && decode_ident(r.bytes).device_found) {
        state = phase::polling;
        emit identified(r.bytes);
        // The clock starts as the identification's reply ends.
        clock.start();
        due = 0;
        schedule();
        return;
    }
    if (r.frame || !r.foreign.isEmpty() || r.heard || heard.bytes.isEmpty())
        heard = r;
    if (stopping)
        return end(true);
    if (ident_tries < identification_tries)
        return identify();
    state = phase::over;
    emit not_identified(heard);
    emit finished(false, false);
}

void poll_engine::schedule()
{
    if (stopping || (plan.polls > 0 && polls_done >= plan.polls))
        return end(stopping);
    next.start(int(std::max(0LL, due - clock.elapsed())));
}

void poll_engine::poll()
{
    if (stopping)
        return end(true);
    due = next_poll_due(due, clock.elapsed(), plan.interval_ms);
    // A port that has gone is reopened once a poll, with the same settings.
    QString error;
    if (gone && line.open(plan.port, plan.settings, error)) {
        gone = false;
        emit port_back();
    }
    if (gone) {
        poll_done(exchange_result {});
        return;
    }
    line.send(polls_done % 2 == 0 ? initial_req_measure() : initial_req_status(),
              quint8(plan.address));
}

void poll_engine::poll_done(const exchange_result &r)
{
    if (r.stopped)
        return end(true);
    if (r.port_lost && !gone) {
        gone = true;
        line.close();
        emit port_gone();
    }
    const bool measurement = polls_done % 2 == 0;
    ++polls_done;
    emit polled(r, measurement);
    schedule();
}

void poll_engine::end(bool stopped)
{
    if (state == phase::over)
        return;
    state = phase::over;
    next.stop();
    line.close();
    emit finished(gone, stopped);
}

} // namespace orte
