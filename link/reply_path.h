#pragma once

#include "link/frames.h"

#include <QByteArray>

namespace orte {

// What one received chunk did to the exchange.
struct chunk_result
{
    bool frame_complete = false; // the buffer now holds one valid frame
    quint8 length = 0; // the buffer's length as the link counts it (8-bit)
    reply_kind kind = reply_kind::unexpected; // what the frame is, when complete
};

// Appends a received chunk to the reply buffer and checks the whole buffer as one frame.
// A frame that arrives in pieces completes with its last piece; bytes after a complete
// frame spoil it again.
chunk_result accept_chunk(QByteArray &rx_buffer, const QByteArray &chunk);

// Whether a valid frame answers `request`: the same slave address, and the same function or
// its exception (function + 0x80), and for a read as many bytes as it asked for. A frame from
// another slave, or a late answer to an earlier request, does not.
bool answers(const QByteArray &frame, const request_frame &request);

// How an exchange ended: the frame that answers its request, or the exception to it; a valid
// frame that answers something else (another slave's, a late one) and nothing better; bytes
// that never formed a frame; nothing at all. Each has one text on the link line.
enum class exchange_outcome { answer, exception, foreign, crc_error, timeout };

// `answer`: the frame that answered (empty: none); `foreign`: the last valid frame that did not;
// `heard`: whether any byte came.
exchange_outcome classify_exchange(const QByteArray &answer, const QByteArray &foreign, bool heard);

// The link line's text for an outcome; empty for an answer.
const char *link_text(exchange_outcome outcome);

} // namespace orte
