#pragma once

#include "link/answer.h"
#include "link/frames.h"

#include <QByteArray>

namespace orte {

// What one received chunk did to the exchange.
struct chunk_result
{
    bool frame_complete = false; // the buffer now holds one valid frame, whole
    bool frame_held = false; // a valid frame that the request's reply may still lengthen
    quint8 length = 0; // the buffer's length as the link counts it (8-bit)
    reply_kind kind = reply_kind::unexpected; // what the frame is, when complete
};

// Appends a received chunk to the reply buffer and checks the whole buffer as one frame, whole
// at the length `request` asks for (see whole_at). A frame that arrives in pieces completes
// with its last piece; bytes after a complete frame spoil it again.
chunk_result accept_chunk(QByteArray &rx_buffer, const QByteArray &chunk,
                          const request_frame &request);

// The reply window closed with nothing more: a valid frame held short is taken as it is.
chunk_result close_window(const QByteArray &rx_buffer);

// Whether a valid frame answers `request`: its reply or its exception (see check_answer).
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

// What came back for one request.
struct collected_reply
{
    bool heard = false; // any byte at all
    bool frame = false; // a valid frame that answers the request, or its exception
    reply_kind kind = reply_kind::unexpected;
    QByteArray bytes; // the answer; without one, what was held when the window closed
    QByteArray foreign; // the last valid frame that answered something else
    answer_check foreign_why = answer_check::answers;

    exchange_outcome outcome() const
    {
        return classify_exchange(frame ? bytes : QByteArray(), foreign, heard);
    }
};

// One request's reply as its chunks come, for a program that waits on a port: the same rule as
// the window's (accept_chunk), with frames that answer something else set aside so that the
// answer may still come after them.
class reply_collector
{
public:
    void start(const request_frame &request);
    // True once the request is answered: nothing more belongs to this exchange.
    bool feed(const QByteArray &chunk);
    // The window closed: a frame held short is taken as it is.
    void close();
    const collected_reply &reply() const { return result; }
    bool answered() const { return result.frame; }

private:
    bool take(reply_kind kind);
    request_frame request {};
    QByteArray buffer;
    collected_reply result;
};

} // namespace orte
