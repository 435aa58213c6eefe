#include "cli/workbook.h"

#include "cli/csv.h"
#include "cli/language.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef _WIN32
#include <windows.h>
#endif

#include <xlsxwriter.h>

namespace orte_cli {

namespace {
lxw_datetime datetime(const QDateTime &at)
{
    const QDate d = at.date();
    const QTime t = at.time();
    return { d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second() + t.msec() / 1000.0 };
}

// libxlsxwriter takes UTF-8; the strings live as long as the workbook is being written.
class utf8_texts
{
public:
    const char *operator()(const QString &s)
    {
        kept.append(s.toUtf8());
        return kept.constLast().constData();
    }

private:
    QVector<QByteArray> kept;
};

void values_sheet(lxw_workbook *book, const QString &name, const QVector<poll_record> &polls,
                  utf8_texts &u8)
{
    lxw_worksheet *sheet = workbook_add_worksheet(book, u8(name));
    lxw_format *time_format = workbook_add_format(book);
    format_set_num_format(time_format, "yyyy-mm-dd hh:mm:ss.000");
    lxw_format *bold = workbook_add_format(book);
    format_set_bold(bold);
    const QStringList headings = column_headings();
    for (int c = 0; c < headings.size(); ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), u8(headings[c]), bold);
    worksheet_set_column(sheet, 0, 0, 24, nullptr);
    worksheet_set_column(sheet, 1, 15, 12, nullptr);
    worksheet_set_column(sheet, 15, 15, 28, nullptr);
    for (int i = 0; i < polls.size(); ++i) {
        const poll_record &r = polls[i];
        const lxw_row_t row = lxw_row_t(i + 1);
        lxw_datetime at = datetime(r.at);
        worksheet_write_datetime(sheet, row, 0, &at, time_format);
        lxw_col_t col = 1;
        for (size_t in = 0; in < 2; ++in, col += 3) {
            if (r.type[in])
                worksheet_write_number(sheet, row, col, *r.type[in], nullptr);
            if (r.value[in])
                worksheet_write_number(sheet, row, col + 1, *r.value[in], nullptr);
            if (r.cold_junction[in])
                worksheet_write_number(sheet, row, col + 2, *r.cold_junction[in], nullptr);
        }
        for (size_t bit = 0; bit < 8; ++bit)
            if (r.flags[bit])
                worksheet_write_number(sheet, row, lxw_col_t(7 + bit), *r.flags[bit], nullptr);
        if (!r.link.isEmpty())
            worksheet_write_string(sheet, row, 15, u8(r.link), nullptr);
    }
}

void chart_sheet(lxw_workbook *book, const QString &values, const run_figures &run, int rows,
                 utf8_texts &u8)
{
    lxw_chart *chart = workbook_add_chart(book, LXW_CHART_SCATTER_STRAIGHT);
    chart_title_set_name(chart, u8(text::tr("Input values")));
    chart_axis_set_name(chart->x_axis, u8(text::tr("Time")));
    chart_axis_set_num_format(chart->x_axis, "hh:mm:ss");
    const lxw_row_t last = lxw_row_t(qMax(rows, 1));
    struct column
    {
        lxw_col_t col;
        bool shown;
        QString name;
    };
    const column columns[] = {
        { 2, run.inputs[0].count > 0, text::tr("Input 1 value") },
        { 3, run.has_cold_junction[0], text::tr("Input 1 cold junction") },
        { 5, run.inputs[1].count > 0, text::tr("Input 2 value") },
        { 6, run.has_cold_junction[1], text::tr("Input 2 cold junction") },
    };
    for (const column &c : columns) {
        if (!c.shown)
            continue;
        lxw_chart_series *series = chart_add_series(chart, nullptr, nullptr);
        chart_series_set_categories(series, u8(values), 1, 0, last, 0);
        chart_series_set_values(series, u8(values), 1, c.col, last, c.col);
        chart_series_set_name(series, u8(c.name));
    }
    lxw_chartsheet *sheet = workbook_add_chartsheet(book, u8(text::tr("Chart")));
    chartsheet_set_chart(sheet, chart);
}

void run_sheet(lxw_workbook *book, const run_figures &run, utf8_texts &u8)
{
    lxw_worksheet *sheet = workbook_add_worksheet(book, u8(text::tr("Converter and run")));
    lxw_format *time_format = workbook_add_format(book);
    format_set_num_format(time_format, "yyyy-mm-dd hh:mm:ss");
    lxw_format *bold = workbook_add_format(book);
    format_set_bold(bold);
    worksheet_set_column(sheet, 0, 0, 36, nullptr);
    worksheet_set_column(sheet, 1, 1, 48, nullptr);
    lxw_row_t row = 0;
    auto line = [&](const QString &name) {
        worksheet_write_string(sheet, row, 0, u8(name), bold);
        return row++;
    };
    worksheet_write_string(sheet, line(text::tr("Model")), 1, u8(run.model), nullptr);
    worksheet_write_string(sheet, line(text::tr("Serial number")), 1, u8(run.serial), nullptr);
    worksheet_write_string(sheet, line(text::tr("Firmware")), 1, u8(run.firmware), nullptr);
    worksheet_write_string(sheet, line(text::tr("Port")), 1, u8(run.port), nullptr);
    worksheet_write_string(sheet, line(text::tr("Settings")), 1, u8(run.settings), nullptr);
    worksheet_write_number(sheet, line(text::tr("Address")), 1, run.address, nullptr);
    lxw_datetime start = datetime(run.start);
    lxw_datetime end = datetime(run.end);
    worksheet_write_datetime(sheet, line(text::tr("Start")), 1, &start, time_format);
    worksheet_write_datetime(sheet, line(text::tr("End")), 1, &end, time_format);
    worksheet_write_number(sheet, line(text::tr("Polls")), 1, run.polls, nullptr);
    worksheet_write_number(sheet, line(text::tr("CRC errors")), 1, run.crc_errors, nullptr);
    worksheet_write_number(sheet, line(text::tr("Time-outs")), 1, run.timeouts, nullptr);
    worksheet_write_number(sheet, line(text::tr("Exceptions")), 1, run.exceptions, nullptr);
    for (int in = 0; in < 2; ++in) {
        const input_figures &f = run.inputs[size_t(in)];
        if (f.count == 0)
            continue;
        const QString input = text::tr("Input %1").arg(in + 1);
        worksheet_write_number(sheet, line(input + QStringLiteral(": ") + text::tr("minimum")), 1,
                               f.min, nullptr);
        worksheet_write_number(sheet, line(input + QStringLiteral(": ") + text::tr("maximum")), 1,
                               f.max, nullptr);
        worksheet_write_number(sheet, line(input + QStringLiteral(": ") + text::tr("mean")), 1,
                               f.mean(), nullptr);
    }
}

// Where libxlsxwriter writes before the workbook takes its name: an ASCII name in the same
// folder, since the library opens files by narrow names, which on Windows are in the ANSI code
// page (a Cyrillic name would not survive it); on Windows the folder by its short name too.
QString scratch_name(const QString &file_name)
{
    QString folder = QFileInfo(file_name).absolutePath();
#ifdef _WIN32
    wchar_t short_path[MAX_PATH];
    const std::wstring wide = QDir::toNativeSeparators(folder).toStdWString();
    if (GetShortPathNameW(wide.c_str(), short_path, MAX_PATH) > 0)
        folder = QString::fromWCharArray(short_path);
#endif
    return QDir(folder).filePath(
        QStringLiteral("orte-cli-%1.xlsx.part").arg(QCoreApplication::applicationPid()));
}
} // namespace

bool write_workbook(const QString &file_name, const run_figures &run,
                    const QVector<poll_record> &polls, QString &error)
{
    utf8_texts u8;
    const QString scratch = scratch_name(file_name);
    const QByteArray name = QFile::encodeName(scratch);
    lxw_workbook *book = workbook_new(name.constData());
    if (!book) {
        error = text::tr("cannot create %1").arg(file_name);
        return false;
    }
    const QString values = text::tr("Values");
    values_sheet(book, values, polls, u8);
    chart_sheet(book, values, run, polls.size(), u8);
    run_sheet(book, run, u8);
    const lxw_error result = workbook_close(book);
    if (result != LXW_NO_ERROR) {
        QFile::remove(scratch);
        error = QString::fromUtf8(lxw_strerror(result));
        return false;
    }
    QFile::remove(file_name);
    if (!QFile::rename(scratch, file_name)) {
        QFile::remove(scratch);
        error = text::tr("cannot create %1").arg(file_name);
        return false;
    }
    return true;
}

} // namespace orte_cli
