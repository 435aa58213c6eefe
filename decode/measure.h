#pragma once

#include <QByteArray>
#include <QString>

namespace orte {

// What the measurement shows, in the monitor's texts: each input's value (or its fault, or an
// unknown sensor) and a thermocouple's cold junction; an empty text shows nothing.
struct measure_view
{
    QString in1_value;
    QString in1_cold_junction;
    QString in2_value;
    QString in2_cold_junction;
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
