#include "engine/csv.h"

#include "engine/texts.h"

#include <QStringList>

namespace orte {

csv_format spreadsheet_format(const QLocale &locale)
{
    csv_format f;
    if (locale.decimalPoint() == QStringLiteral(","))
        f = { false, QLatin1Char(';'), QLatin1Char(',') };
    return f;
}

csv_format plain_format()
{
    return { true, QLatin1Char(','), QLatin1Char('.') };
}

QByteArray csv_preamble(const csv_format &format)
{
    return format.plain ? QByteArray() : QByteArray("\xEF\xBB\xBF");
}

namespace {
// The plain form's ASCII headings, as scripts read them.
const char *const names[] = {
    "time",          "in1_type",      "in1_value",     "in1_cj",     "in2_type",   "in2_value",
    "in2_cj",        "in1_fault",     "in2_fault",     "out1_fault", "out2_fault", "in1_above_sp1",
    "in1_below_sp2", "in2_above_sp1", "in2_below_sp2", "link",
};
} // namespace

QStringList column_headings()
{
    static const char *const headings[] = {
        QT_TRANSLATE_NOOP("text", "Time"),
        QT_TRANSLATE_NOOP("text", "Input 1 type"),
        QT_TRANSLATE_NOOP("text", "Input 1 value"),
        QT_TRANSLATE_NOOP("text", "Input 1 cold junction"),
        QT_TRANSLATE_NOOP("text", "Input 2 type"),
        QT_TRANSLATE_NOOP("text", "Input 2 value"),
        QT_TRANSLATE_NOOP("text", "Input 2 cold junction"),
        QT_TRANSLATE_NOOP("text", "Input 1 fault"),
        QT_TRANSLATE_NOOP("text", "Input 2 fault"),
        QT_TRANSLATE_NOOP("text", "Output 1 fault"),
        QT_TRANSLATE_NOOP("text", "Output 2 fault"),
        QT_TRANSLATE_NOOP("text", "Input 1 above setpoint 1"),
        QT_TRANSLATE_NOOP("text", "Input 1 below setpoint 2"),
        QT_TRANSLATE_NOOP("text", "Input 2 above setpoint 1"),
        QT_TRANSLATE_NOOP("text", "Input 2 below setpoint 2"),
        QT_TRANSLATE_NOOP("text", "Link"),
    };
    QStringList texts;
    for (const char *heading : headings)
        texts << text::tr(heading);
    return texts;
}

QString csv_header(const csv_format &format)
{
    QStringList cells;
    if (!format.plain)
        cells = column_headings();
    else
        for (const char *name : names)
            cells << QString::fromLatin1(name);
    if (format.address_column)
        cells.insert(1, format.plain ? QStringLiteral("address") : text::tr("Address"));
    return cells.join(format.separator);
}

QString csv_row(const csv_format &format, const poll_record &r)
{
    auto number = [&format](const std::optional<double> &v) {
        if (!v)
            return QString();
        QString s = QString::number(*v, 'g', 10);
        return s.replace(QLatin1Char('.'), format.decimal);
    };
    auto whole = [](const std::optional<int> &v) { return v ? QString::number(*v) : QString(); };
    QStringList cells;
    if (format.plain)
        cells << r.at.toString(Qt::ISODateWithMs);
    else
        cells << r.at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + format.decimal
                + r.at.toString(QStringLiteral("zzz"));
    if (format.address_column)
        cells << QString::number(r.address);
    for (size_t i = 0; i < 2; ++i)
        cells << whole(r.type[i]) << number(r.value[i]) << number(r.cold_junction[i]);
    for (const std::optional<int> &flag : r.flags)
        cells << whole(flag);
    QString link = r.link;
    cells << QLatin1Char('"') + link.replace(QLatin1Char('"'), QLatin1String("\"\""))
            + QLatin1Char('"');
    return cells.join(format.separator);
}

} // namespace orte
