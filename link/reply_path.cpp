#include "link/reply_path.h"

#include "link/diag_texts.h"
#include "link/frame_bytes.h"
#include "link/modbus.h"

namespace orte {

chunk_result accept_chunk(QByteArray &rx_buffer, const QByteArray &chunk,
                          const request_frame &request)
{
    rx_buffer.append(chunk);
    chunk_result result;
    result.length = quint8(rx_buffer.size());
    if (!crc_check(rx_buffer, result.length))
        return result;
    result.kind = classify_reply(result.length);
    result.frame_complete = whole_at(rx_buffer, request);
    result.frame_held = !result.frame_complete;
    return result;
}

chunk_result close_window(const QByteArray &rx_buffer)
{
    chunk_result result;
    result.length = quint8(rx_buffer.size());
    result.frame_complete = result.length != 0 && crc_check(rx_buffer, result.length);
    if (result.frame_complete)
        result.kind = classify_reply(result.length);
    return result;
}

bool answers(const QByteArray &frame, const request_frame &request)
{
    return answered(check_answer(frame, request));
}

exchange_outcome classify_exchange(const QByteArray &answer, const QByteArray &foreign, bool heard)
{
    if (!answer.isEmpty())
        return (rx_at(answer, 1) & modbus::exception_bit) ? exchange_outcome::exception
                                                          : exchange_outcome::answer;
    if (!foreign.isEmpty())
        return exchange_outcome::foreign;
    return heard ? exchange_outcome::crc_error : exchange_outcome::timeout;
}

const char *link_text(exchange_outcome outcome)
{
    switch (outcome) {
    case exchange_outcome::exception:
        return diag_exception;
    case exchange_outcome::foreign:
        return diag_unexpected;
    case exchange_outcome::crc_error:
        return diag_crc;
    case exchange_outcome::timeout:
        return diag_timeout;
    case exchange_outcome::answer:
        break;
    }
    return "";
}

void reply_collector::start(const request_frame &r)
{
    request = r;
    buffer.clear();
    result = {};
}

bool reply_collector::feed(const QByteArray &chunk)
{
    if (result.frame)
        return true;
    result.heard = result.heard || !chunk.isEmpty();
    const chunk_result c = accept_chunk(buffer, chunk, request);
    return c.frame_complete && take(c.kind);
}

void reply_collector::close()
{
    if (result.frame)
        return;
    const chunk_result c = close_window(buffer);
    if (c.frame_complete)
        take(c.kind);
    if (!result.frame)
        result.bytes = buffer;
}

bool reply_collector::take(reply_kind kind)
{
    const answer_check why = check_answer(buffer, request);
    if (orte::answered(why)) {
        result.frame = true;
        result.kind = kind;
        result.bytes = buffer;
        return true;
    }
    // Somebody else's frame: noise of this exchange. The answer may still come.
    result.foreign = buffer;
    result.foreign_why = why;
    buffer.clear();
    return false;
}

} // namespace orte
