#include "decode/measure.h"

#include "decode/register_map.h"

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

void decode_input(const input_reading &in, const input_texts &texts, bool fault,
                  QString &value_line, QString &cj_line)
{
    if (!known_sensor(in.type))
        value_line = QString::fromUtf8(texts.unknown);
    else if (fault)
        value_line = QString::fromUtf8(texts.fault[in.type]);
    else
        value_line = QString::fromUtf8(texts.value[in.type]).arg(in.value);
    if (has_cold_junction(in.type))
        cj_line = QString::fromUtf8(texts.cold_junction).arg(in.cold_junction);
    else
        cj_line.clear();
}
} // namespace

input_reading read_input(const QByteArray &rx, int input)
{
    // Values are formed in double precision so that, for example, 1 and -999 thousandths show
    // as 0.001.
    const bool first = input == 1;
    auto signed_register
        = [&rx](int index) { return qint16(reply_register(rx, index, reg::measure_first)); };
    input_reading in;
    in.type = quint8(reply_register(rx, first ? reg::in1_type : reg::in2_type, reg::measure_first)
                     & 0xFF);
    in.value = double(signed_register(first ? reg::in1_whole : reg::in2_whole))
        + double(signed_register(first ? reg::in1_milli : reg::in2_milli)) / 1000.0;
    in.cold_junction
        = double(signed_register(first ? reg::in1_cold_junction : reg::in2_cold_junction)) / 10.0;
    return in;
}

measure_view decode_measure(const QByteArray &rx, bool single_input, bool in1_fault, bool in2_fault)
{
    measure_view view;
    decode_input(read_input(rx, 1), input1, in1_fault, view.in1_value, view.in1_cold_junction);
    if (!single_input)
        decode_input(read_input(rx, 2), input2, in2_fault, view.in2_value, view.in2_cold_junction);
    return view;
}

} // namespace orte
