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
    for (int address : plan.addresses) {
        unit u;
        u.address = address;
        units << u;
    }
    next.setSingleShot(true);
    connect(&next, &QTimer::timeout, this, &poll_engine::step);
    connect(&line, &port_exchange::done, this, &poll_engine::done);
    line.set_network_reply_ms(plan.network_reply_ms);
}

void poll_engine::start()
{
    QTimer::singleShot(0, this, [this] {
        QString error;
        if (!line.open(plan.port, plan.settings, error)) {
            over = true;
            emit open_failed(error);
            emit finished(false, false);
            return;
        }
        started = true;
        clock.start();
        step();
    });
}

void poll_engine::stop()
{
    stopping = true;
    if (line.busy())
        line.stop(); // done() follows with `stopped`
    else if (started)
        end(true);
}

bool poll_engine::ever_identified() const
{
    return std::any_of(units.begin(), units.end(),
                       [](const unit &u) { return u.state != unit::phase::identifying; });
}

void poll_engine::step()
{
    if (over || line.busy())
        return;
    if (stopping)
        return end(true);
    // The converter whose request is due first; one that has done its polls is left.
    int pick = -1;
    for (int i = 0; i < units.size(); ++i) {
        const unit &u = units[i];
        if (plan.polls > 0 && u.polls >= plan.polls)
            continue;
        if (pick < 0 || u.due < units[pick].due)
            pick = i;
    }
    if (pick < 0)
        return end(false);
    const long long now = clock.elapsed();
    if (units[pick].due > now) {
        next.start(int(units[pick].due - now));
        return;
    }
    current = pick;
    unit &u = units[pick];
    const bool polling = u.state == unit::phase::polling;
    if (polling)
        u.due = next_poll_due(u.due, now, plan.interval_ms);
    // A port that has gone is reopened once a poll, with the same settings.
    QString error;
    if (gone && line.open(plan.port, plan.settings, error)) {
        gone = false;
        emit port_back();
    }
    if (gone) {
        if (!polling)
            u.due = now + std::max(plan.interval_ms, lost_retry_ms);
        if (polling || u.ever)
            return poll_done(u, exchange_result {}, false);
        return step();
    }
    measuring = polling && u.measure_next;
    line.send(!polling        ? initial_req_ident()
                  : measuring ? initial_req_measure()
                              : initial_req_status(),
              quint8(u.address));
}

void poll_engine::done(const exchange_result &r)
{
    if (over || current < 0)
        return;
    unit &u = units[current];
    if (r.stopped)
        return end(true);
    if (u.state == unit::phase::polling)
        poll_done(u, r, measuring);
    else
        identification_done(u, r);
}

void poll_engine::identification_done(unit &u, const exchange_result &r)
{
    const long long now = clock.elapsed();
    if (r.frame && r.kind == reply_kind::ident && decode_ident(r.bytes).device_found) {
        u.state = unit::phase::polling;
        u.ever = true;
        u.tries = 0;
        u.misses = 0;
        u.measure_next = true;
        // Its period starts as the identification's reply ends.
        u.due = now;
        emit identified(r.bytes, u.address);
        return step();
    }
    if (r.port_lost && !ever_identified()) {
        gone = true;
        emit port_gone();
        return end(false);
    }
    if (u.state == unit::phase::lost) {
        // A lost converter's try is a poll of its: the recording shows it still away.
        u.due = now + std::max(plan.interval_ms, lost_retry_ms);
        if (u.ever)
            return poll_done(u, r, false);
        return step();
    }
    if (r.frame || !r.foreign.isEmpty() || r.heard || u.heard.bytes.isEmpty())
        u.heard = r;
    if (stopping)
        return end(true);
    if (++u.tries < identification_tries)
        return step();
    emit not_identified(u.heard, u.address);
    if (!several() || std::all_of(units.begin(), units.end(), [](const unit &x) {
            return x.state == unit::phase::identifying && x.tries >= identification_tries;
        })) {
        over = true;
        line.close();
        emit finished(false, false);
        return;
    }
    u.state = unit::phase::lost;
    u.due = now + std::max(plan.interval_ms, lost_retry_ms);
    step();
}

void poll_engine::poll_done(unit &u, const exchange_result &r, bool measurement)
{
    if (r.port_lost && !gone) {
        gone = true;
        line.close();
        emit port_gone();
    }
    if (u.state == unit::phase::polling)
        u.measure_next = !u.measure_next;
    ++u.polls;
    emit polled(r, measurement, u.address);
    if (u.state == unit::phase::polling && several() && !gone) {
        u.misses = r.frame ? 0 : u.misses + 1;
        if (u.misses >= lost_after_polls) {
            u.state = unit::phase::lost;
            u.due = clock.elapsed() + std::max(plan.interval_ms, lost_retry_ms);
            emit lost(u.address);
        }
    }
    step();
}

void poll_engine::end(bool stopped)
{
    if (over)
        return;
    over = true;
    next.stop();
    line.close();
    emit finished(gone, stopped);
}

} // namespace orte
