#include "link/reply_path.h"

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
    return rx_at(frame, 0) == request[0] && (function & 0x7F) == request[1];
}

} // namespace orte
