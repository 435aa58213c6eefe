#include "sim/fault_planner.h"

#include "sim/modbus_crc.h"

#include <algorithm>

namespace sim {

namespace {
constexpr uint8_t read_coils = 0x01;
constexpr uint8_t read_input_registers = 0x04;

std::vector<uint8_t> exception_reply(const std::vector<uint8_t> &request, uint8_t code)
{
    std::vector<uint8_t> reply { request[0], uint8_t(request[1] | 0x80), code };
    append_crc(reply);
    return reply;
}
} // namespace

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

size_t glued_frame_length(const std::vector<uint8_t> &chunk)
{
    if (chunk.size() < 4 || modbus_crc(chunk.data(), chunk.size()) == 0)
        return 0;
    size_t n = 0;
    const uint8_t function = chunk[1];
    if (function >= 1 && function <= 6)
        n = 8;
    else if ((function == 15 || function == 16) && chunk.size() > 6)
        n = 9 + size_t(chunk[6]);
    return n > 0 && n < chunk.size() && modbus_crc(chunk.data(), n) == 0 ? n : 0;
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

std::vector<uint8_t> random_bytes(size_t n, std::mt19937 &rng)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<uint8_t> bytes(n);
    for (uint8_t &b : bytes)
        b = uint8_t(byte(rng));
    return bytes;
}

reply_plan plan_reply(const std::vector<uint8_t> &request, const converter_state &state,
                      pending_faults &faults, double now_ms, std::mt19937 &rng)
{
    reply_plan plan;
    if (now_ms < faults.dropout_until) {
        plan.silence = "drop-out";
        return plan;
    }
    if (now_ms < faults.noise_until) {
        plan.silence = "noise";
        return plan;
    }
    if (faults.silent_left > 0) {
        --faults.silent_left;
        plan.silence = "silent";
        return plan;
    }
    if (faults.garbage_bytes > 0) {
        plan.bytes = random_bytes(size_t(faults.garbage_bytes), rng);
        faults.garbage_bytes = 0;
        // Random bytes that happen to form a valid frame would not be garbage.
        if (plan.bytes.size() >= 4 && modbus_crc(plan.bytes.data(), plan.bytes.size()) == 0)
            plan.bytes.back() ^= 0xFF;
    } else if (faults.wrong_length_next) {
        faults.wrong_length_next = false;
        plan.bytes = { request[0], request[1], 2, 0, 0 };
        append_crc(plan.bytes);
    } else if (faults.exception_code > 0) {
        plan.bytes = exception_reply(request, uint8_t(faults.exception_code));
        faults.exception_code = 0;
    } else {
        plan.bytes = modbus_answer(request, state);
    }
    if (faults.corrupt_next) {
        faults.corrupt_next = false;
        plan.bytes[plan.bytes.size() / 2] ^= 0x5A;
    }
    plan.delay_ms = double(faults.delay_ms);
    faults.delay_ms = 0;
    if (faults.split_at > 0) {
        plan.split_at = std::min(size_t(faults.split_at), plan.bytes.size());
        plan.split_ms = double(faults.split_ms);
        faults.split_at = 0;
    }
    return plan;
}

} // namespace sim
