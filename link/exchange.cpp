#include "link/exchange.h"

#include "link/diag_texts.h"

namespace orte {

exchange_decision on_reply_chunk(bool frame_complete, reply_kind kind)
{
    exchange_decision d;
    d.ended = frame_complete;
    if (!frame_complete)
        return d;
    d.link_text_set = true;
    if (kind == reply_kind::exception)
        d.link_text = diag_exception;
    else if (kind == reply_kind::unexpected)
        d.link_text = diag_unexpected;
    return d;
}

exchange_decision on_window_closed(quint8 received, bool stop_on_timeouts, quint8 timeouts)
{
    exchange_decision d;
    d.ended = true;
    d.link_text_set = true;
    d.record = true;
    if (received != 0) {
        d.link_text = diag_crc;
        d.failure = link_failure::crc_error;
        return d;
    }
    d.link_text = diag_timeout;
    d.failure = link_failure::timeout;
    d.timeouts = timeouts;
    if (!stop_on_timeouts)
        return d;
    d.timeouts = quint8(timeouts + 1);
    if (d.timeouts > timeouts_before_stop) {
        d.stop_run = true;
        d.timeouts = 0;
    }
    return d;
}

search_step next_search_step(link_state state, bool reply_done, bool bound_passed)
{
    if (state == link_state::search_abandoned)
        return search_step::abandon;
    if (reply_done)
        return search_step::done;
    return bound_passed ? search_step::give_up : search_step::wait;
}

} // namespace orte
