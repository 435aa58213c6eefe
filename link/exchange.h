#pragma once

// What the link does when something happens to an exchange: pure decisions over plain values,
// which the window applies to its labels, timers, port and log.

#include "link/frames.h"
#include "link/link_timing.h"

#include <QtGlobal>

namespace orte {

// Where the search and the poll cycle stand: one of these at a time.
enum class link_state {
    idle, // no run: the settings page, nothing awaited
    searching, // Start waits for the identification reply
    search_abandoned, // the window was closed while Start waited: nothing more is sent
    polling, // a run, between exchanges
    exchange_open, // a run's request is out and its reply window runs
};

// How an exchange failed, for the window to log.
enum class link_failure { crc_error, timeout };

// What ending an exchange (or taking a chunk of its reply) means for the window.
struct exchange_decision
{
    bool ended = false; // the exchange is over; otherwise its reply window starts afresh
    bool link_text_set = false; // the link line shows link_text (empty: cleared)
    const char *link_text = "";
    bool record = false; // a log record of the failure is due, written when the run logs
    link_failure failure = link_failure::timeout;
    quint8 timeouts = 0; // consecutive empty time-outs after this
    bool stop_run = false; // the run ends by itself: the link is lost
};

// On the 11th empty time-out in a row the run ends, when the user asked for it.
constexpr quint8 timeouts_before_stop = 10;

// A chunk arrived; `frame_complete` and `kind` as the reply path found them. Any byte shows
// the line alive, so the run of time-outs ends; a chunk that completes no frame leaves the
// link line as it is (under noise it must not look healthy).
exchange_decision on_reply_chunk(bool frame_complete, reply_kind kind);

// The reply window closed, or the next request went out, with `received` bytes (8-bit count)
// that never formed a frame: a CRC error, or with nothing a time-out, counted towards the
// automatic stop when `stop_on_timeouts`.
exchange_decision on_window_closed(quint8 received, bool stop_on_timeouts, quint8 timeouts);

// What Start's wait for the identification does next.
enum class search_step { wait, done, abandon, give_up };

// `reply_done` as the exchange left it; `bound_passed`: ident_wait_limit_ms is over (every
// chunk restarts the reply window, so a line that never falls quiet needs a bound of its own);
// give_up ends the exchange as its window would have.
search_step next_search_step(link_state state, bool reply_done, bool bound_passed);

} // namespace orte
