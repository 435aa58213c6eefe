#pragma once

// One poll of a recording as every output keeps it (the screen line, the CSV row, the
// workbook's row), and the figures of the whole run.

#include "link/reply_path.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <array>
#include <optional>

namespace orte {

struct poll_record
{
    QDateTime at;
    // Per input: the sensor type register, the value and the cold junction, each only when
    // received and shown (not in fault, not absent).
    std::array<std::optional<int>, 2> type;
    std::array<std::optional<double>, 2> value;
    std::array<std::optional<double>, 2> cold_junction;
    std::array<std::optional<int>, 8> flags; // status bits 0..7
    QString link; // the link text, empty when the exchange was sound
    exchange_outcome result = exchange_outcome::answer;
};

struct input_figures
{
    int count = 0;
    double min = 0;
    double max = 0;
    double sum = 0;
    double mean() const { return count > 0 ? sum / count : 0; }
};

// The run: what the converter is, where it was read, and what happened.
struct run_figures
{
    // The converter, as its identification reply gave it: the model code, the serial number,
    // the firmware as "a.b.c.d".
    std::optional<int> model_code;
    std::optional<quint32> serial;
    QString firmware;
    QString port;
    QString settings;
    int address = 0;
    QDateTime start;
    QDateTime end;
    int polls = 0;
    int crc_errors = 0;
    int timeouts = 0;
    int exceptions = 0;
    int unexpected = 0; // valid frames that answered another request or came from another slave
    std::array<input_figures, 2> inputs;
    std::array<bool, 2> has_cold_junction { false, false };
    std::array<std::optional<int>, 2> type; // each input's sensor type, as last received

    // Counts a poll, and its values towards each input's figures.
    void add(const poll_record &r);
};

// What an input measures and in what, from its sensor type register, for a chart's axis
// ("Input 1: thermocouple, °C").
QString axis_name(int input, const std::optional<int> &type);

} // namespace orte
