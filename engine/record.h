#pragma once

// One poll of a recording as every output keeps it (the screen line, the CSV row, the
// workbook's row), and the figures of the whole run.

#include "link/reply_path.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
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
    // Which measurement reply the values came from (a status poll's row repeats the last one):
    // the figures count each measurement once.
    int measurement = 0;
    // The converter's address where a recording holds several (0: it holds one).
    int address = 0;
};

// One input's values while its sensor type stayed the same, kept in whole thousandths (the
// converter's own resolution) so that the sum, and so the mean, are exact however long the run.
struct input_figures
{
    int type = -1;
    int count = 0;
    qint64 min = 0;
    qint64 max = 0;
    qint64 sum = 0;
    void add(qint64 thousandths);
    double minimum() const { return min / 1000.0; }
    double maximum() const { return max / 1000.0; }
    // To the converter's precision too: whole thousandths, a half rounded away from zero.
    double mean() const
    {
        return count > 0 ? double((2 * sum + (sum < 0 ? -count : count)) / (2 * count)) / 1000.0
                         : 0;
    }
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
    // Per input, a summary for each sensor type in turn: a type change starts a new one, so
    // that ohms and millivolts are never summed together.
    std::array<QVector<input_figures>, 2> inputs;
    bool has_values() const { return !inputs[0].isEmpty() || !inputs[1].isEmpty(); }
    std::array<bool, 2> has_cold_junction { false, false };
    std::array<std::optional<int>, 2> type; // each input's sensor type, as last received
    int last_measurement = 0; // the last one counted

    // Counts a poll, and its values towards each input's figures.
    void add(const poll_record &r);
    // The converter, from its identification reply: filled once, the first time.
    void identified(const QByteArray &ident);
    // The converter and the line as `other` has them (what was counted stays).
    void take_identity(const run_figures &other)
    {
        model_code = other.model_code;
        serial = other.serial;
        firmware = other.firmware;
        port = other.port;
        settings = other.settings;
        address = other.address;
    }
};

// What an input measures and in what, from its sensor type register, for a chart's axis
// ("Input 1: thermocouple, °C").
QString axis_name(int input, const std::optional<int> &type);

// An input and its sensor kind, for a summary: "Input 1 (voltage, mV)".
QString input_kind(int input, int type);

// The summary lines of an input's figures: "Input 1: minimum 1, maximum 2, mean 1.5 (2 values)",
// each sensor type named where the input had several ("Input 1 (voltage, mV): ...").
QStringList summary_lines(int input, const QVector<input_figures> &figures);

} // namespace orte
