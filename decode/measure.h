#pragma once

#include <QByteArray>
#include <QString>

namespace orte {

// Texts of the four measurement labels; an empty text means the label is cleared.
struct measure_view
{
    QString T_1_channal;
    QString T_1_hs;
    QString t_2_channal;
    QString T_2_hs;
};

// One input of the measurement reply as numbers: its sensor type code (the register's low
// byte), its value (whole part plus thousandths, added exactly) and its cold junction.
struct input_reading
{
    quint8 type = 0;
    double value = 0;
    double cold_junction = 0;
};
input_reading read_input(const QByteArray &rx, int input);

// Sensor type codes 0..3 are known (resistance thermometer, thermocouple, resistance,
// voltage); only a thermocouple has a cold junction.
constexpr bool known_sensor(quint8 type)
{
    return type <= 3;
}
constexpr bool has_cold_junction(quint8 type)
{
    return type == 1;
}

// The 29-byte reply to the measurement request (input registers 0..11).
measure_view decode_measure(const QByteArray &rx, bool single_input, bool in1_fault,
                            bool in2_fault);

} // namespace orte
