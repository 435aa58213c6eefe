#include "decode/slave_image.h"

#include "decode/ident.h"
#include "decode/reg.h"
#include "decode/register_map.h"
#include "decode/status.h"
#include "link/answer.h"
#include "link/frame_bytes.h"

#include <algorithm>

namespace orte {

using namespace reg;

namespace {
int word(const QByteArray &bytes, int index)
{
    return quint16(reg_at(bytes, index));
}
} // namespace

slave_image::change slave_image::take(const QByteArray &request, const QByteArray &reply)
{
    change c;
    const int function = rx_at(request, 1);
    const int start = word(request, 2);
    const int count = word(request, 4);
    if (check_answer(reply, request) != answer_check::answers)
        return c; // an exception carries nothing, nor a reply to something else
    if (function == modbus::read_input_registers) {
        for (int i = start; i < start + count; ++i)
            registers[i] = reply_register(reply, i, start);
        c.measure = start < measure_first + measure_count && start + count > measure_first;
        if (start < ident_first + ident_count && start + count > ident_first
            && has({ model, firmware_ab, firmware_cd, serial_high, serial_low })) {
            c.ident = true;
            one_input = decode_ident(ident_reply()).single_input == 1;
        }
    } else if (function == modbus::read_coils) {
        for (int i = 0; i < count; ++i)
            coils[start + i] = (rx_at(reply, 3 + i / 8) >> (i % 8)) & 1;
        bool all = true;
        for (int coil = status_first; coil < status_first + status_count; ++coil)
            all = all && coils.count(coil) != 0;
        if (all && start < status_first + status_count) {
            status_byte = 0;
            for (int bit = 0; bit < status_count; ++bit)
                status_byte |= quint8((coils[status_first + bit] ? 1 : 0) << bit);
            const status_view v = decode_status(status_byte);
            fault1 = v.in1_fault;
            fault2 = v.in2_fault;
            c.status = true;
        }
    }
    return c;
}

bool slave_image::has(std::initializer_list<int> regs) const
{
    return std::all_of(regs.begin(), regs.end(), [this](int r) { return registers.count(r) != 0; });
}

bool slave_image::measure_shown() const
{
    return has({ in1_whole, in1_milli, in1_type })
        || (!one_input && has({ in2_whole, in2_milli, in2_type }));
}

measure_view slave_image::measure() const
{
    const bool in1 = has({ in1_whole, in1_milli, in1_type });
    const bool in2 = !one_input && has({ in2_whole, in2_milli, in2_type });
    measure_view v = decode_measure(measure_reply(), one_input, fault1, fault2);
    if (!in1 || !has({ in1_cold_junction }))
        v.in1_cold_junction.clear();
    if (!in1)
        v.in1_value.clear();
    if (!in2 || !has({ in2_cold_junction }))
        v.in2_cold_junction.clear();
    if (!in2)
        v.in2_value.clear();
    return v;
}

QByteArray slave_image::ident_reply() const
{
    return registers_reply(ident_first, ident_count);
}

QByteArray slave_image::measure_reply() const
{
    return registers_reply(measure_first, measure_count);
}

QByteArray slave_image::registers_reply(int start, int count) const
{
    QByteArray rx(3 + 2 * count + 2, '\0');
    for (int i = 0; i < count; ++i) {
        const auto r = registers.find(start + i);
        const quint16 v = r == registers.end() ? 0 : r->second;
        rx[3 + 2 * i] = char(v >> 8);
        rx[4 + 2 * i] = char(v & 0xFF);
    }
    return rx;
}

} // namespace orte
