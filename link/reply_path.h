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

} // namespace orte
