#include "decode/status.h"

namespace orte {

namespace {
// Fixed texts by the value of bits 0..3 (input 1, input 2, output 1, output 2 faults). They
// are whole strings on purpose: their word order and spacing are not regular.
constexpr const char *fault_summary[16] = {
    "",
    "Есть Ошибка Входа 1",
    "Есть Ошибка Входа 2",
    "Есть Ошибки Входа 1 и Входа 2",
    "Есть Ошибка Выхода 1",
    "Есть Ошибки Входа 1 и Выхода 1",
    "Есть Ошибки Входа 2 и Выхода 1",
    "Есть Ошибки Входа 1, Выхода 1 и Входа 2",
    "Есть Ошибка Выхода 2",
    "Есть Ошибки Входа 1 и Выхода 2",
    "Есть Ошибки Входа 2 и Выхода 2",
    "Есть Ошибки Входа 1, Входа 2 и Выхода 2",
    "Есть Ошибки Выхода 1 и Выхода 2",
    "Есть Ошибки Входа 1, Выхода 1 и Выхода 2",
    "Есть Ошибки Выхода 1, Входа  2 и Выхода 2",
    "Есть Ошибки Входа 1, Выхода 1, Входа  2 и Выхода 2",
};

constexpr const char *setpoint1[4]
    = { "", "Вход 1. Сигнал выше уставки 1", "Вход 1. Сигнал ниже уставки 2",
        "Вход 1. Некорректные устаки" };
constexpr const char *setpoint2[4]
    = { "", "Вход 2. Сигнал выше уставки 1", "Вход 2. Сигнал ниже уставки 2",
        "Вход 2. Некорректные устаки" };
} // namespace

status_view decode_status(quint8 status_byte)
{
    status_view view;
    view.in1_fault = (status_byte & 0x01) != 0;
    view.in2_fault = (status_byte & 0x02) != 0;
    view.faults = QString::fromUtf8(fault_summary[status_byte & 0x0F]);
    view.setpoints_in1 = QString::fromUtf8(setpoint1[(status_byte >> 4) & 0x03]);
    view.setpoints_in2 = QString::fromUtf8(setpoint2[status_byte >> 6]);
    return view;
}

QString fault_log_text(quint8 status_byte)
{
    const unsigned faults = status_byte & 0x0F;
    if (faults == 0)
        return QString::fromUtf8("Ошибок нет\n");
    return QString::fromUtf8(fault_summary[faults]) + QLatin1Char('\n');
}

} // namespace orte
