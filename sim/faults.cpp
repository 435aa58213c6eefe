#include "sim/faults.h"

#include "sim/modbus_crc.h"
#include "sim/modbus_slave.h"

#include <algorithm>

namespace sim {

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

size_t noise_bytes_due(double now_ms, double &last_ms, double char_ms)
{
    if (last_ms == 0 || now_ms - last_ms > 50)
        last_ms = now_ms - 5;
    const size_t n = size_t((now_ms - last_ms) / char_ms);
    last_ms += double(n) * char_ms;
    return std::min<size_t>(n, 512);
}

void apply_step(const step &s, converter_state &state, pending_faults &faults, double now_ms)
{
    std::string error;
    switch (s.kind) {
    case action_kind::set:
        apply_setting(state, s.key, s.value, error);
        break;
    case action_kind::silent:
        faults.silent_left += s.count;
        break;
    case action_kind::garbage:
        faults.garbage_bytes = s.count;
        break;
    case action_kind::corrupt:
        faults.corrupt_next = true;
        break;
    case action_kind::exception:
        faults.exception_code = int(s.count);
        break;
    case action_kind::wrong_length:
        faults.wrong_length_next = true;
        break;
    case action_kind::split:
        faults.split_at = s.count;
        faults.split_ms = s.millis;
        break;
    case action_kind::delay:
        faults.delay_ms = s.millis;
        break;
    case action_kind::noise:
        faults.noise_until = now_ms + s.seconds * 1000.0;
        break;
    case action_kind::dropout:
        faults.dropout_until = now_ms + s.seconds * 1000.0;
        break;
    case action_kind::stray:
    case action_kind::repeat:
        break;
    }
}

} // namespace sim
