#include "decode/slave_image.h"

#include "decode/ident.h"
#include "decode/reg.h"
#include "decode/status.h"

#include <algorithm>

namespace orte {

namespace {
constexpr int read_coils = 0x01;
constexpr int read_input_registers = 0x04;

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
    if (rx_at(reply, 1) != function)
        return c; // an exception carries nothing
    if (function == read_input_registers && rx_at(reply, 2) == 2 * count) {
        for (int i = 0; i < count; ++i)
            registers[start + i] = quint16(word(reply, 3 + 2 * i));
        c.measure = start < 12;
        if (start <= 54 && start + count > 50 && has({ 50, 51, 52, 53, 54 })) {
            c.ident = true;
            one_input = decode_ident(ident_reply()).single_input == 1;
        }
    } else if (function == read_coils && rx_at(reply, 2) == (count + 7) / 8) {
        for (int i = 0; i < count; ++i)
            coils[start + i] = (rx_at(reply, 3 + i / 8) >> (i % 8)) & 1;
        bool all_eight = true;
        for (int bit = 0; bit < 8; ++bit)
            all_eight = all_eight && coils.count(bit) != 0;
        if (all_eight && start < 8) {
            status_byte = 0;
            for (int bit = 0; bit < 8; ++bit)
                status_byte |= quint8((coils[bit] ? 1 : 0) << bit);
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
    return has({ 0, 1, 4 }) || (!one_input && has({ 2, 3, 5 }));
}

measure_view slave_image::measure() const
{
    const bool in1 = has({ 0, 1, 4 });
    const bool in2 = !one_input && has({ 2, 3, 5 });
    measure_view v = decode_measure(measure_reply(), one_input, fault1, fault2);
    if (!in1 || !has({ 6 }))
        v.T_1_hs.clear();
    if (!in1)
        v.T_1_channal.clear();
    if (!in2 || !has({ 7 }))
        v.T_2_hs.clear();
    if (!in2)
        v.t_2_channal.clear();
    return v;
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
