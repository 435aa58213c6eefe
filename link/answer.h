#pragma once

// What a reply must look like, from its request: its length, and whether a frame answers it.
// Every program asks here; none works it out again from lengths or bits.

#include "link/frames.h"

#include <QByteArray>

namespace orte {

// The length of the reply `request` asks for (an exception aside); 0 where the request does not
// fix it (device identification), -1 where `request` is no request.
int expected_reply_length(const QByteArray &request);
int expected_reply_length(const request_frame &request);

// Whether a valid frame answers a request, and if not, why.
enum class answer_check {
    answers, // the reply the request asks for
    exception, // the exception to it (function + 0x80, 5 bytes)
    other_address, // another slave's
    other_function, // a reply to another request
    other_byte_count, // the same function, another quantity (a late reply to an earlier read)
    other_length, // not as long as the reply the request asks for
};

answer_check check_answer(const QByteArray &frame, const QByteArray &request);
answer_check check_answer(const QByteArray &frame, const request_frame &request);

// An exception code's name as the protocol gives it ("illegal data address"); empty for a code
// it does not name.
const char *exception_name(quint8 code);

// The request's reply or its exception.
inline bool answered(answer_check c)
{
    return c == answer_check::answers || c == answer_check::exception;
}

// Whether a frame whose CRC holds ends the reply to `request`. A CRC can hold before the frame
// has ended (a CRC of 0 stays 0 when a 0x00 byte follows), so a frame shorter than the reply
// the request asks for, that may be its beginning, is whole only when nothing more comes; an
// exception, or a frame that cannot begin the reply (another slave's, another function's), is
// whole at once.
bool whole_at(const QByteArray &frame, const request_frame &request);

} // namespace orte
