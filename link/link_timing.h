#pragma once

#include "link/line_format.h"

namespace orte {

// The reply window: 100 ms, stretched at low speeds so that a request, the converter's
// 3.5-character pause and the first reply byte fit into it.
int reply_window_ms(const line_format &format);

// How long a converter that answers promptly takes to start its reply, for the search's
// first pass: the request on the wire, the converter's 3.5-character pause, and a turnaround
// margin of first_byte_margin_ms.
int first_byte_window_ms(const line_format &format, int request_bytes);
// The margin: a USB adapter hands received bytes over up to its latency timer late (an FTDI
// chip: 16 ms by default), and the converter needs a few ms to turn its line round.
constexpr int first_byte_margin_ms = 20;

// The poll period: 300 ms, stretched at low speeds so that a request and the longest
// reply (29 bytes) fit into one period.
int poll_period_ms(const line_format &format);

// A poll tick later than this starts the period again from itself, so that the next request
// still leaves the reply in flight its whole period.
constexpr int late_tick_ms = 20;

// A poll tick so late that the next one on the timer's grid would cut the reply in flight
// short: the grid starts again from it.
constexpr bool tick_is_late(long long since_last_tick_ms, int period_ms)
{
    return since_last_tick_ms > period_ms + late_tick_ms;
}

// When the poll after one due at `due` (ms on any steady clock) is due, seen at `now`: a poll
// later than late_tick_ms starts the period again from itself instead of catching up in a
// burst of requests.
constexpr long long next_poll_due(long long due, long long now, int period_ms)
{
    return (tick_is_late(now - (due - period_ms), period_ms) ? now : due) + period_ms;
}

// Start's identification wait never outlasts this, whatever keeps arriving on the line.
constexpr int ident_wait_limit_ms = 1000;

// The longest one exchange may wait for its reply: the request and a reply of `reply_bytes`
// on the wire with the slave's pause, then the reply window; never less than the
// identification wait, so that noise cannot hold an exchange longer than the monitor does.
int exchange_limit_ms(const line_format &format, int reply_bytes);

} // namespace orte
