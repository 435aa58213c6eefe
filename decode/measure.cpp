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

// One input: value registers at `value_at` (whole, thousandths), its type code's byte, and its
// cold-junction register. Values are formed in double precision so that, for example,
// 1 and -999 thousandths show as 0.001.
void decode_input(const QByteArray &rx, const input_texts &texts, int value_at, int type_at,
                  int cj_at, bool fault, QString &value_line, QString &cj_line)
{
    const quint8 type = rx_at(rx, type_at);
    if (type > 3) {
        value_line = QString::fromUtf8(texts.unknown);
    } else if (fault) {
        value_line = QString::fromUtf8(texts.fault[type]);
    } else {
        const double value
            = double(reg_at(rx, value_at)) + double(reg_at(rx, value_at + 2)) / 1000.0;
        value_line = QString::fromUtf8(texts.value[type]).arg(value);
    }
    if (type == thermocouple)
        cj_line = QString::fromUtf8(texts.cold_junction).arg(double(reg_at(rx, cj_at)) / 10.0);
    else
        cj_line.clear();
}
} // namespace

measure_view decode_measure(const QByteArray &rx, bool single_input, bool in1_fault, bool in2_fault)
{
    measure_view view;
    decode_input(rx, input1, 3, 12, 15, in1_fault, view.T_1_channal, view.T_1_hs);
    if (!single_input)
        decode_input(rx, input2, 7, 14, 17, in2_fault, view.t_2_channal, view.T_2_hs);
    return view;
}

} // namespace orte
