#include "sim/converter.h"

#include "sim/numbers.h"

namespace sim {

const std::vector<std::string> &setting_keys()
{
    static const std::vector<std::string> keys
        = { "address",   "model",  "version",  "serial",    "status",    "in1.type", "in1.whole",
            "in1.milli", "in1.cj", "in2.type", "in2.whole", "in2.milli", "in2.cj",   "line" };
    return keys;
}

namespace {
bool parse_version(const std::string &text, std::array<uint8_t, 4> &out)
{
    std::array<uint8_t, 4> parts {};
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        const size_t dot = text.find('.', pos);
        const bool last = i == 3;
        if (last != (dot == std::string::npos))
            return false;
        long value = 0;
        if (!parse_number(text.substr(pos, last ? std::string::npos : dot - pos), 0, 255, value))
            return false;
        parts[size_t(i)] = uint8_t(value);
        pos = dot + 1;
    }
    out = parts;
    return true;
}
} // namespace

bool apply_setting(converter_state &state, const std::string &key, const std::string &value,
                   std::string &error)
{
    long long v = 0;
    auto number = [&](long long min, long long max) {
        if (parse_number(value, min, max, v))
            return true;
        error = "bad value " + quoted(value) + " for " + key + " (" + std::to_string(min) + " to "
            + std::to_string(max) + ")";
        return false;
    };
    if (key == "line") {
        // "19200E1": the speed, N, E or O, and 1 or 2 stop bits.
        const size_t at = value.find_first_of("NEO");
        long long baud = 0;
        if (at == std::string::npos || at + 2 != value.size()
            || !parse_number(value.substr(0, at), 50, 4000000, baud)
            || (value[at + 1] != '1' && value[at + 1] != '2')) {
            error
                = "bad value " + quoted(value) + " for line (a speed, N, E or O, 1 or 2: 19200E1)";
            return false;
        }
        state.line = { int(baud), value[at], value[at + 1] - '0' };
        state.line_changed = true;
    } else if (key == "address") {
        if (!number(1, 247))
            return false;
        state.address = int(v);
    } else if (key == "model") {
        if (!number(0, 255))
            return false;
        state.model = uint8_t(v);
    } else if (key == "version") {
        if (!parse_version(value, state.version)) {
            error = "bad value " + quoted(value) + " for version (four numbers 0 to 255: 2.0.0.1)";
            return false;
        }
    } else if (key == "serial") {
        if (!number(0, 4294967295LL))
            return false;
        state.serial = uint32_t(v);
    } else if (key == "status") {
        if (!number(0, 255))
            return false;
        state.status = uint8_t(v);
    } else if (key.size() > 4
               && (key.compare(0, 4, "in1.") == 0 || key.compare(0, 4, "in2.") == 0)) {
        converter_state::input &in = state.inputs[key[2] == '1' ? 0 : 1];
        const std::string field = key.substr(4);
        if (field == "type") {
            if (!number(0, 65535))
                return false;
            in.type = uint16_t(v);
        } else if (field == "whole" || field == "milli" || field == "cj") {
            if (!number(-32768, 32767))
                return false;
            (field == "whole"       ? in.whole
                 : field == "milli" ? in.milli
                                    : in.cold_junction)
                = int16_t(v);
        } else {
            error = "unknown setting " + quoted(key);
            return false;
        }
    } else {
        error = "unknown setting " + quoted(key);
        return false;
    }
    return true;
}

std::array<uint16_t, 55> input_registers(const converter_state &state)
{
    std::array<uint16_t, 55> regs {};
    const auto &in1 = state.inputs[0];
    const auto &in2 = state.inputs[1];
    regs[0] = uint16_t(in1.whole);
    regs[1] = uint16_t(in1.milli);
    regs[2] = uint16_t(in2.whole);
    regs[3] = uint16_t(in2.milli);
    regs[4] = in1.type;
    regs[5] = in2.type;
    regs[6] = uint16_t(in1.cold_junction);
    regs[7] = uint16_t(in2.cold_junction);
    regs[50] = state.model;
    regs[51] = uint16_t((state.version[0] << 8) | state.version[1]);
    regs[52] = uint16_t((state.version[2] << 8) | state.version[3]);
    regs[53] = uint16_t(state.serial >> 16);
    regs[54] = uint16_t(state.serial & 0xFFFF);
    return regs;
}

std::array<uint8_t, 8> coils(const converter_state &state)
{
    std::array<uint8_t, 8> bits {};
    for (int i = 0; i < 8; ++i)
        bits[size_t(i)] = (state.status >> i) & 1;
    return bits;
}

bool input_registers_exist(int start, int count)
{
    const int end = start + count;
    return (start >= 0 && end <= 12) || (start >= 50 && end <= 55);
}

bool coils_exist(int start, int count)
{
    return start >= 0 && start + count <= 8;
}

} // namespace sim
