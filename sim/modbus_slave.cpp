#include "sim/modbus_slave.h"

#include "sim/modbus_crc.h"

namespace sim {

namespace {
constexpr uint8_t read_coils = 0x01;
constexpr uint8_t read_input_registers = 0x04;
} // namespace

std::vector<uint8_t> exception_reply(const std::vector<uint8_t> &request, uint8_t code)
{
    std::vector<uint8_t> reply { request[0], uint8_t(request[1] | 0x80), code };
    append_crc(reply);
    return reply;
}

frame_verdict check_frame(const std::vector<uint8_t> &frame, int address)
{
    // Address, function and CRC at the least.
    if (frame.size() < 4)
        return frame_verdict::too_short;
    if (modbus_crc(frame.data(), frame.size()) != 0)
        return frame_verdict::bad_crc;
    if (frame[0] == 0)
        return frame_verdict::broadcast;
    if (frame[0] != address)
        return frame_verdict::other_address;
    return frame_verdict::request;
}

const char *verdict_text(frame_verdict verdict)
{
    switch (verdict) {
    case frame_verdict::request:
        return "request";
    case frame_verdict::broadcast:
        return "broadcast, never answered";
    case frame_verdict::other_address:
        return "for another address";
    case frame_verdict::bad_crc:
        return "bad CRC";
    case frame_verdict::too_short:
        return "broken frame";
    }
    return "?";
}

std::vector<uint8_t> modbus_answer(const std::vector<uint8_t> &request,
                                   const converter_state &state)
{
    const uint8_t function = request[1];
    if (function != read_coils && function != read_input_registers)
        return exception_reply(request, 0x01);
    const bool coils_asked = function == read_coils;
    if (request.size() != 8)
        return exception_reply(request, 0x03);
    const int start = (request[2] << 8) | request[3];
    const int count = (request[4] << 8) | request[5];
    if (count < 1 || count > (coils_asked ? 2000 : 125))
        return exception_reply(request, 0x03);
    if (!(coils_asked ? coils_exist(start, count) : input_registers_exist(start, count)))
        return exception_reply(request, 0x02);

    std::vector<uint8_t> reply { request[0], function };
    if (coils_asked) {
        const auto bits = coils(state);
        std::vector<uint8_t> packed(size_t((count + 7) / 8), 0);
        for (int i = 0; i < count; ++i)
            if (bits[size_t(start + i)])
                packed[size_t(i / 8)] |= uint8_t(1u << (i % 8));
        reply.push_back(uint8_t(packed.size()));
        reply.insert(reply.end(), packed.begin(), packed.end());
    } else {
        const auto regs = input_registers(state);
        reply.push_back(uint8_t(count * 2));
        for (int i = 0; i < count; ++i) {
            reply.push_back(uint8_t(regs[size_t(start + i)] >> 8));
            reply.push_back(uint8_t(regs[size_t(start + i)] & 0xFF));
        }
    }
    append_crc(reply);
    return reply;
}

} // namespace sim
