#include "decode/measure.h"

#include "decode/reg.h"

namespace orte {

namespace {
struct input_texts
{
    const char *value[4];
    const char *fault[4];
    const char *unknown;
    const char *cold_junction;
};

constexpr input_texts input1 = {
    { "Температура термосопротивления Вх. 1:   %1 С", "Температура термопары Вх. 1:   %1 С",
      "Сопротивление Вх. 1:   %1 Ом", "Напряжение Вх. 1:   %1 мВ" },
    { "Температура термосопротивления Вх. 1: Ошибка", "Температура термопары Вх. 1: Ошибка",
      "Сопротивление Вх. 1: Ошибка", "Напряжение Вх. 1: Ошибка" },
    "Неизвестный тип датчика Вх. 1",
    " Температура холодного спая термопары Вх. 1:   %1 С",
};

constexpr input_texts input2 = {
    { "Температура термосопротивления Вх. 2:   %1 С", "Температура термопары Вх. 2:   %1 С",
      "Сопротивление Вх. 2:   %1 Ом", "Напряжение Вх. 2:   %1 мВ" },
    { "Температура термосопротивления Вх. 2: Ошибка", "Температура термопары Вх. 2: Ошибка",
      "Сопротивление Вх. 2: Ошибка", "Напряжение Вх. 2: Ошибка" },
    "Неизвестный тип датчика Вх. 2",
    " Температура холодного спая термопары Вх. 2:   %1 С",
};

constexpr quint8 thermocouple = 1;

void decode_input(const input_reading &in, const input_texts &texts, bool fault,
                  QString &value_line, QString &cj_line)
{
    if (in.type > 3)
        value_line = QString::fromUtf8(texts.unknown);
    else if (fault)
        value_line = QString::fromUtf8(texts.fault[in.type]);
    else
        value_line = QString::fromUtf8(texts.value[in.type]).arg(in.value);
    if (in.type == thermocouple)
        cj_line = QString::fromUtf8(texts.cold_junction).arg(in.cold_junction);
    else
        cj_line.clear();
}
} // namespace

input_reading read_input(const QByteArray &rx, int input)
{
    // Input 1: value registers at bytes 3 and 5, type at 12, cold junction at 15; input 2 at
    // 7, 9, 14 and 17. Values are formed in double precision so that, for example, 1 and
    // -999 thousandths show as 0.001.
    const int value_at = input == 1 ? 3 : 7;
    input_reading in;
    in.type = rx_at(rx, input == 1 ? 12 : 14);
    in.value = double(reg_at(rx, value_at)) + double(reg_at(rx, value_at + 2)) / 1000.0;
    in.cold_junction = double(reg_at(rx, input == 1 ? 15 : 17)) / 10.0;
    return in;
}

measure_view decode_measure(const QByteArray &rx, bool single_input, bool in1_fault, bool in2_fault)
{
    measure_view view;
    decode_input(read_input(rx, 1), input1, in1_fault, view.T_1_channal, view.T_1_hs);
    if (!single_input)
        decode_input(read_input(rx, 2), input2, in2_fault, view.t_2_channal, view.T_2_hs);
    return view;
}

} // namespace orte
