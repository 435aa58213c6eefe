#include "engine/record.h"

#include "decode/ident.h"
#include "engine/texts.h"

#include <algorithm>
#include <cmath>

namespace orte {

void run_figures::add(const poll_record &r)
{
    ++polls;
    crc_errors += r.result == exchange_outcome::crc_error ? 1 : 0;
    timeouts += r.result == exchange_outcome::timeout ? 1 : 0;
    exceptions += r.result == exchange_outcome::exception ? 1 : 0;
    unexpected += r.result == exchange_outcome::foreign ? 1 : 0;
    // A row that repeats a measurement already counted adds no values to the figures.
    const bool fresh = r.measurement == 0 || r.measurement != last_measurement;
    last_measurement = r.measurement;
    for (size_t i = 0; i < 2; ++i) {
        has_cold_junction[i] = has_cold_junction[i] || r.cold_junction[i].has_value();
        if (r.type[i])
            type[i] = r.type[i];
        if (!fresh || !r.value[i] || !r.type[i])
            continue;
        QVector<input_figures> &runs = inputs[i];
        if (runs.isEmpty() || runs.constLast().type != *r.type[i]) {
            runs.append(input_figures {});
            runs.last().type = *r.type[i];
        }
        runs.last().add(std::llround(*r.value[i] * 1000));
    }
}

void run_figures::identified(const QByteArray &ident)
{
    if (serial || ident.isEmpty())
        return;
    model_code = orte::model_code(ident);
    serial = serial_number(ident);
    firmware = version_digits(ident);
}

void input_figures::add(qint64 v)
{
    min = count == 0 ? v : std::min(min, v);
    max = count == 0 ? v : std::max(max, v);
    sum += v;
    ++count;
}

namespace {
const char *const kinds[][2] = {
    { QT_TRANSLATE_NOOP("text", "resistance thermometer"), QT_TRANSLATE_NOOP("text", "°C") },
    { QT_TRANSLATE_NOOP("text", "thermocouple"), QT_TRANSLATE_NOOP("text", "°C") },
    { QT_TRANSLATE_NOOP("text", "resistance"), QT_TRANSLATE_NOOP("text", "Ohm") },
    { QT_TRANSLATE_NOOP("text", "voltage"), QT_TRANSLATE_NOOP("text", "mV") },
};

bool known(const std::optional<int> &type)
{
    return type && *type >= 0 && *type <= 3;
}

} // namespace

QString input_kind(int input, int type)
{
    if (!known(type))
        return text::tr("Input %1").arg(input);
    return text::tr("Input %1 (%2, %3)")
        .arg(input)
        .arg(text::tr(kinds[type][0]), text::tr(kinds[type][1]));
}

QString axis_name(int input, const std::optional<int> &type)
{
    if (!known(type))
        return text::tr("Input %1").arg(input);
    return text::tr("Input %1: %2, %3")
        .arg(input)
        .arg(text::tr(kinds[*type][0]), text::tr(kinds[*type][1]));
}

QStringList summary_lines(int input, const QVector<input_figures> &figures)
{
    QStringList lines;
    auto number = [](double v) { return QString::number(v, 'g', 15); };
    for (const input_figures &f : figures) {
        const QString numbers = text::tr("minimum %1, maximum %2, mean %3 (%4 values)")
                                    .arg(number(f.minimum()), number(f.maximum()), number(f.mean()))
                                    .arg(f.count);
        lines << (figures.size() == 1 ? text::tr("Input %1").arg(input) : input_kind(input, f.type))
                + QStringLiteral(": ") + numbers;
    }
    return lines;
}

} // namespace orte
