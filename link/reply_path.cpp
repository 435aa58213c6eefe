#include "link/reply_path.h"

#include "link/diag_texts.h"
#include "link/frame_bytes.h"
#include "link/modbus.h"

namespace orte {

chunk_result accept_chunk(QByteArray &rx_buffer, const QByteArray &chunk)
{
    rx_buffer.append(chunk);
    chunk_result result;
    result.length = quint8(rx_buffer.size());
    result.frame_complete = crc_check(rx_buffer, result.length);
    if (result.frame_complete)
        result.kind = classify_reply(result.length);
    return result;
}

bool answers(const QByteArray &frame, const request_frame &request)
{
    const quint8 function = rx_at(frame, 1);
    if (rx_at(frame, 0) != request[0] || (function & ~modbus::exception_bit & 0xFF) != request[1])
        return false;
    if (function & modbus::exception_bit)
        return true;
    // A read's reply carries the quantity asked: a late answer to an earlier read of the same
    // function (the identification, before the measurement) does not answer this one.
    const int quantity = (request[4] << 8) | request[5];
    const int bytes = function <= modbus::read_discrete_inputs ? (quantity + 7) / 8 : 2 * quantity;
    return function > modbus::read_input_registers || rx_at(frame, 2) == bytes;
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

} // namespace orte
