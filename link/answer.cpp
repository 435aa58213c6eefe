#include "link/answer.h"

#include "link/bus.h"
#include "link/frame_bytes.h"
#include "link/modbus.h"

namespace orte {

namespace {
QByteArray as_bytes(const request_frame &request)
{
    return QByteArray(reinterpret_cast<const char *>(request.data()), int(request.size()));
}

constexpr int exception_length = 5;

bool is_exception(const QByteArray &frame)
{
    return (rx_at(frame, 1) & modbus::exception_bit) != 0;
}

// Whether the function's reply says how many bytes it carries.
bool counted(quint8 function)
{
    return (function >= modbus::read_coils && function <= modbus::read_input_registers)
        || function == modbus::read_write_registers;
}
} // namespace

const char *exception_name(quint8 code)
{
    // By code, as modbus::exception_code numbers them.
    static constexpr const char *names[] = { "",
                                             "illegal function",
                                             "illegal data address",
                                             "illegal data value",
                                             "server device failure",
                                             "acknowledge",
                                             "server device busy",
                                             "",
                                             "memory parity error",
                                             "",
                                             "gateway path unavailable",
                                             "gateway target device failed to respond" };
    return code < sizeof(names) / sizeof(names[0]) ? names[code] : "";
}

int expected_reply_length(const QByteArray &request)
{
    using namespace modbus;
    if (frame_lengths(request).request != request.size())
        return -1;
    const int quantity = (rx_at(request, 4) << 8) | rx_at(request, 5);
    switch (rx_at(request, 1)) {
    case read_coils:
    case read_discrete_inputs:
        return 5 + (quantity + 7) / 8;
    case read_holding_registers:
    case read_input_registers:
    case read_write_registers:
        return 5 + 2 * quantity;
    default: {
        // Where the reply's length does not hang on a count, its shape gives it.
        const int fixed = frame_lengths(QByteArray(request.left(2))).reply;
        return fixed > 0 ? fixed : 0;
    }
    }
}

int expected_reply_length(const request_frame &request)
{
    return expected_reply_length(as_bytes(request));
}

answer_check check_answer(const QByteArray &frame, const QByteArray &request)
{
    const quint8 function = rx_at(frame, 1);
    if (rx_at(frame, 0) != rx_at(request, 0))
        return answer_check::other_address;
    if ((function & ~modbus::exception_bit & 0xFF) != rx_at(request, 1))
        return answer_check::other_function;
    if (is_exception(frame))
        return frame.size() == exception_length ? answer_check::exception
                                                : answer_check::other_length;
    const int expected = expected_reply_length(request);
    // A read's reply says how many bytes it carries: a late answer to an earlier read of the
    // same function (the identification, before the measurement) carries another count.
    if (expected > 0 && counted(function) && rx_at(frame, 2) != expected - 5)
        return answer_check::other_byte_count;
    if (expected > 0 && frame.size() != expected)
        return answer_check::other_length;
    if (expected == 0 && frame_lengths(frame).reply != frame.size())
        return answer_check::other_length;
    return answer_check::answers;
}

answer_check check_answer(const QByteArray &frame, const request_frame &request)
{
    return check_answer(frame, as_bytes(request));
}

bool whole_at(const QByteArray &frame, const request_frame &request)
{
    const int expected = expected_reply_length(request);
    if (expected <= 0 || frame.size() >= expected)
        return true;
    if (frame.size() == exception_length && is_exception(frame))
        return true;
    return rx_at(frame, 0) != request[0] || rx_at(frame, 1) != request[1]
        || (counted(request[1]) && rx_at(frame, 2) != expected - 5);
}

} // namespace orte
